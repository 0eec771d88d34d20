# Two copies of the consumer at different paths and depths, each built
# against the installed package, produce identical headers: the class and
# guard follow the image's file name alone, and "--class-name" overrides the
# class name.
include("${CMAKE_CURRENT_LIST_DIR}/integration_support.cmake")
# start from nothing, so that no earlier run can make the test pass
file(REMOVE_RECURSE "${WORK_DIR}")

set(checkouts "${WORK_DIR}/a" "${WORK_DIR}/nested/deeper/b")
foreach(checkout IN LISTS checkouts)
	build_and_run_consumer("${checkout}" "-DCMAKE_PREFIX_PATH=${PREFIX}")
endforeach()

list(GET checkouts 0 a)
list(GET checkouts 1 b)
foreach(header pixmold/consumer/logo.h generated/named_logo.h)
	file(READ "${a}/build/${header}" header_a)
	file(READ "${b}/build/${header}" header_b)
	if(NOT header_a STREQUAL header_b)
		message(FATAL_ERROR "${header} differs between the checkouts ${a} and ${b}")
	endif()
endforeach()

set(logo "${a}/build/pixmold/consumer/logo.h")
expect_contains("${logo}" " *\t@file logo.h\n *\t@brief image in header, generated from 'logo.png'\n")
expect_contains("${logo}" "#ifndef __LOGO_PNG_INCLUDED\n#define __LOGO_PNG_INCLUDED\n")
expect_contains("${logo}" "\nclass Clogo_png {\n")
expect_contains("${a}/build/generated/named_logo.h" "\nclass CNamedLogo {\n")
