# A project cross-compiling for a bare-metal target, with the settings such
# toolchain files have (the host compiler stands in for the target's), brings
# Pixmold in by VIA: the installed package, found with the line the README
# gives, or the source tree, whose tool is then built for the build machine,
# or with HOST_TOOL runs the tool the project names. The target's root holds
# no libpng: nothing of the tool may be configured or compiled for the
# target. The headers are made by a program of the build machine, and a
# changed tool remakes them once.
include("${CMAKE_CURRENT_LIST_DIR}/integration_support.cmake")
# start from nothing, so that no earlier run can make the test pass
file(REMOVE_RECURSE "${WORK_DIR}")

file(MAKE_DIRECTORY "${WORK_DIR}/sysroot")
set(toolchain "${WORK_DIR}/toolchain.cmake")
file(WRITE "${toolchain}" "set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_CXX_COMPILER [==[${CXX_COMPILER}]==])
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_FIND_ROOT_PATH [==[${WORK_DIR}/sysroot]==])
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
")

set(build "${WORK_DIR}/build")
if(VIA STREQUAL "package")
	set(args "-DCMAKE_PREFIX_PATH=${PREFIX}")
	set(tool "")
elseif(HOST_TOOL)
	# a copy, so that touching it cannot disturb the tests of the installed package
	set(tool "${WORK_DIR}/host/Pixmold")
	file(COPY "${PREFIX}/bin/Pixmold" DESTINATION "${WORK_DIR}/host")
	set(args "-DPIXMOLD_HOST_TOOL=${tool}")
else()
	set(tool "${build}/pixmold/host/src/Pixmold")
	set(args "")
endif()
build_and_run_consumer("${WORK_DIR}" "-DCONSUMER_PIXMOLD_VIA=${VIA}" "-DCMAKE_TOOLCHAIN_FILE=${toolchain}"
	-DCMAKE_EXPORT_COMPILE_COMMANDS=ON ${args})

tool_compile_commands("${build}" commands)
if(commands)
	message(FATAL_ERROR "the tool's sources are compiled for the target:\n${commands}")
endif()
file(STRINGS "${build}/CMakeCache.txt" png_entries REGEX "^PNG_")
if(png_entries)
	message(FATAL_ERROR "libpng was looked for in the target's root: ${png_entries}")
endif()

if(tool)
	if(NOT EXISTS "${tool}")
		message(FATAL_ERROR "no tool at ${tool}")
	endif()
	# a pause, so that the touched tool is newer even where times have whole seconds
	execute_process(COMMAND "${CMAKE_COMMAND}" -E sleep 1.1)
	file(TOUCH "${tool}")
	build_project("${build}" output)
	expect_converted("${output}" "logo.h;named_logo.h")
	build_project("${build}" output)
	expect_converted("${output}" "")
endif()
