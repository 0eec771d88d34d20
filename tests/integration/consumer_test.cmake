# A consumer that brings Pixmold in from its source tree (VIA is subdirectory
# or fetchcontent) builds the tool and the headers and decodes them; Pixmold's
# own tests, benchmarks, example and install rules stay off.
include("${CMAKE_CURRENT_LIST_DIR}/integration_support.cmake")
# start from nothing, so that no earlier run can make the test pass
file(REMOVE_RECURSE "${WORK_DIR}")

set(source "${WORK_DIR}/src")
copy_tree("${PIXMOLD_SOURCE_DIR}/tests/integration/consumer" "${source}")
configure_project("${source}" "${WORK_DIR}/build" "-DCONSUMER_PIXMOLD_VIA=${VIA}"
	"-DCONSUMER_PIXMOLD_SOURCE=${PIXMOLD_SOURCE_DIR}")
build_project("${WORK_DIR}/build" output)
expect_converted("${output}" "logo.h;named_logo.h")
run_checked(report "${WORK_DIR}/build/consumer")
expect_no_decoded_image("${source}")

file(STRINGS "${WORK_DIR}/build/CMakeCache.txt" switched_on
	REGEX "^PIXMOLD_(BUILD_TESTS|BUILD_BENCH|BUILD_EXAMPLES|INSTALL):BOOL=ON$")
if(switched_on)
	message(FATAL_ERROR "a consumer's build has Pixmold's own parts on: ${switched_on}")
endif()
