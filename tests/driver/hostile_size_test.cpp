#include <gtest/gtest.h>

#include "support/hostile_files.h"
#include "support/test_support.h"

// The allocation side of these files (nothing near their claimed size is
// ever allocated) is checked by scripts/fuzz-mutate.sh, which runs them
// through the instrumented tool with a cap on every single allocation.
TEST(HostileSize, HugeClaimsWithTinyBodiesFailAsLoadErrors)
{
	TempDir dir;
	for(const HostileFile &r_file : HostileSizeFiles()) {
		SCOPED_TRACE(r_file.s_name);
		WriteFile(dir.s_File(r_file.s_name), r_file.s_bytes);
		const ProcessResult run = RunTool({r_file.s_name, "out.h"}, dir.s_Path());
		EXPECT_EQ(run.n_status, 255);
		const std::string s_load_error = "error: error loading image file '" + r_file.s_name + "'\n\t";
		EXPECT_EQ(run.s_err.substr(0, s_load_error.size()), s_load_error);
		EXPECT_EQ(run.s_out, "");
		EXPECT_FALSE(b_FileExists(dir.s_File("out.h")));
	}
}
