# Pixmold's source tree in another project's cross build: the tool runs at
# build time, so it must be a program of the build machine, never one of the
# target. Pixmold::Pixmold becomes an imported executable of the whole build:
# the tool named by PIXMOLD_HOST_TOOL, or else one built from this very
# source tree by a nested build with the build machine's compiler and no
# toolchain file. Nothing of the tool, its tests or its libraries is
# configured for the target.

if(PIXMOLD_HOST_TOOL)
	if(NOT EXISTS "${PIXMOLD_HOST_TOOL}")
		message(FATAL_ERROR "PIXMOLD_HOST_TOOL '${PIXMOLD_HOST_TOOL}' does not exist")
	endif()
	set(host_tool "${PIXMOLD_HOST_TOOL}")
	message(STATUS "Pixmold: headers are made by ${host_tool}")
else()
	include(ExternalProject)
	set(host_dir "${CMAKE_CURRENT_BINARY_DIR}/host")
	set(host_config Release)
	# With the tests and the rest off, the nested build's default target is
	# the tool. ExternalProject's own build command shares make's job slots;
	# a generator of several configurations is told the one to build.
	get_property(multi_config GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
	if(multi_config)
		set(host_tool_dir "${host_dir}/src/${host_config}")
		set(build_command BUILD_COMMAND "${CMAKE_COMMAND}" --build "${host_dir}" --config ${host_config})
	else()
		set(host_tool_dir "${host_dir}/src")
		set(build_command "")
	endif()
	if(CMAKE_HOST_WIN32)
		set(host_tool "${host_tool_dir}/Pixmold.exe")
	else()
		set(host_tool "${host_tool_dir}/Pixmold")
	endif()
	# An empty CMAKE_TOOLCHAIN_FILE also keeps one named in the environment
	# out. The build step runs at every build of the project (a quick no-op
	# when nothing changed); the tool is its byproduct, which the build tool
	# checks afterwards, so a rebuilt tool remakes the headers in the same
	# build and an unchanged one does not.
	ExternalProject_Add(pixmold_host_tool
		SOURCE_DIR "${PROJECT_SOURCE_DIR}"
		BINARY_DIR "${host_dir}"
		PREFIX "${host_dir}/external"
		CMAKE_ARGS
			-DCMAKE_TOOLCHAIN_FILE=
			-DCMAKE_BUILD_TYPE=${host_config}
			-DPIXMOLD_BUILD_TESTS=OFF
			-DPIXMOLD_BUILD_BENCH=OFF
			-DPIXMOLD_BUILD_EXAMPLES=OFF
			-DPIXMOLD_BUILD_FUZZERS=OFF
			-DPIXMOLD_INSTALL=OFF
			${PIXMOLD_HOST_CMAKE_ARGS}
		${build_command}
		BUILD_ALWAYS TRUE
		BUILD_BYPRODUCTS "${host_tool}"
		INSTALL_COMMAND "")
	message(STATUS "Pixmold: cross-compiling; the tool is built for this machine in ${host_dir}")
endif()

# GLOBAL, since pixmold_add_header() is called from the project's own folders
add_executable(Pixmold::Pixmold IMPORTED GLOBAL)
set_target_properties(Pixmold::Pixmold PROPERTIES IMPORTED_LOCATION "${host_tool}")
if(TARGET pixmold_host_tool)
	# a rule that depends on the imported tool waits for the nested build
	add_dependencies(Pixmold::Pixmold pixmold_host_tool)
endif()
