# Package of the Pixmold tool: the imported executable Pixmold::Pixmold and
# pixmold_add_header(), which turns images into headers at build time.
include("${CMAKE_CURRENT_LIST_DIR}/PixmoldTargets.cmake")
include("${CMAKE_CURRENT_LIST_DIR}/PixmoldFunctions.cmake")
