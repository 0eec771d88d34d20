# Changing a header's OPTIONS remakes that header at the next build, even with
# build tools that do not track command lines, and leaves the others alone.
include("${CMAKE_CURRENT_LIST_DIR}/integration_support.cmake")

set(build "${CHECKOUT_DIR}/build")
# first catch up with whatever changed since the checkout was built (a newer tool)
build_project("${build}" output)

configure_project("${CHECKOUT_DIR}/src" "${build}" "-DCONSUMER_LOGO_OPTIONS=--base-64")
build_project("${build}" output)
expect_converted("${output}" "logo.h")
expect_contains("${build}/pixmold/consumer/logo.h" "static inline const char *p_s_Base64_Data()")
run_checked(report "${build}/consumer")

# configuring again with the same options changes nothing
configure_project("${CHECKOUT_DIR}/src" "${build}" "-DCONSUMER_LOGO_OPTIONS=--base-64")
build_project("${build}" output)
expect_converted("${output}" "")
