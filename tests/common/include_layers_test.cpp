#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <regex>
#include <string>

/*
 *	The folders of src/ are layers, each including only its own and lower
 *	ones: driver, verify, header, compress, image, threads, common (top
 *	first). A new folder, or an include that runs upward, fails here.
 */

namespace {

const char *const p_layer_list[] = {"common", "threads", "image", "compress", "header", "verify", "driver"};

/** @brief the layer of a folder, counted from the bottom; -1 for a folder that is no layer */
int n_Layer(const std::string &s_folder)
{
	for(int i = 0; i < int(sizeof(p_layer_list) / sizeof(p_layer_list[0])); ++ i) {
		if(s_folder == p_layer_list[i])
			return i;
	}
	return -1;
}

/** @brief calls visit(path) for every file under a folder */
template <class Visit>
void VisitFiles(const std::string &s_folder, Visit visit)
{
	DIR *p_dir = opendir(s_folder.c_str());
	ASSERT_NE(p_dir, nullptr) << s_folder;
	while(const dirent *p_entry = readdir(p_dir)) {
		const std::string s_name = p_entry->d_name, s_path = s_folder + "/" + s_name;
		if(s_name[0] == '.')
			continue;
		if(p_entry->d_type == DT_DIR)
			VisitFiles(s_path, visit);
		else
			visit(s_path);
	}
	closedir(p_dir);
}

} // namespace

TEST(IncludeLayers, NoIncludeOfSrcRunsUpward)
{
	const std::string s_src = PIXMOLD_SOURCE_DIR;
	const std::regex include_line("^\\s*#\\s*include\\s+\"([a-z_]+)/");
	int n_include_num = 0;
	VisitFiles(s_src, [&](const std::string &s_path) {
		const std::string s_folder = s_path.substr(s_src.size() + 1, s_path.find('/', s_src.size() + 1) - s_src.size() - 1);
		if(s_folder == "CMakeLists.txt")
			return;
		const int n_layer = n_Layer(s_folder);
		EXPECT_GE(n_layer, 0) << s_path << ": a folder of src/ with no place among the layers";
		std::ifstream file(s_path);
		std::smatch match;
		for(std::string s_line; std::getline(file, s_line);) {
			if(!std::regex_search(s_line, match, include_line))
				continue;
			++ n_include_num;
			EXPECT_LE(n_Layer(match[1]), n_layer) << s_path << " includes upward: " << s_line;
			EXPECT_GE(n_Layer(match[1]), 0) << s_path << " includes from no layer: " << s_line;
		}
	});
	EXPECT_GT(n_include_num, 100); // the includes were read
}
