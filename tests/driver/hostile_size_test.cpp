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
		// beyond the pixel limit the size alone refuses the file, inside it the body too short for it
		const std::string s_reason = (r_file.s_name.find("65535") != std::string::npos)?
			"the image is larger than the limit of 268435456 pixels: 65535 x 65535\n" : "the file ends early: ";
		const std::string s_expected = "error: error loading image file '" + r_file.s_name + "'\n\t" + s_reason;
		EXPECT_EQ(run.s_err.substr(0, s_expected.size()), s_expected);
		EXPECT_EQ(run.s_out, "");
		EXPECT_FALSE(b_FileExists(dir.s_File("out.h")));
	}
}
