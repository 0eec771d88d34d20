# The example, copied as a user would have it, configures against the
# installed package, builds, and its program finds every raster matching its
# header's checksum; no run leaves its decoded image in the source folder.
include("${CMAKE_CURRENT_LIST_DIR}/integration_support.cmake")
# start from nothing, so that no earlier run can make the test pass
file(REMOVE_RECURSE "${WORK_DIR}")

set(source "${WORK_DIR}/src")
copy_tree("${PIXMOLD_SOURCE_DIR}/examples" "${source}/examples")
copy_tree("${PIXMOLD_SOURCE_DIR}/samples" "${source}/samples")
configure_project("${source}/examples" "${WORK_DIR}/build" "-DCMAKE_PREFIX_PATH=${PREFIX}")
build_project("${WORK_DIR}/build" output)
expect_converted("${output}" "badge.h;sample.h;stripes.h")

run_checked(report "${WORK_DIR}/build/pixmold_example")
string(REGEX MATCHALL " ok\n" matches "${report}")
list(LENGTH matches n_ok)
if(NOT n_ok EQUAL 3)
	message(FATAL_ERROR "expected three matching images:\n${report}")
endif()
expect_contains("${WORK_DIR}/build/pixmold/pixmold_example/stripes.h" "static inline char *p_s_Base85_Data()")
expect_no_decoded_image("${source}")
