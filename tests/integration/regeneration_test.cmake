# In the example's build: a build without changes converts nothing, touching
# one image remakes that image's header alone, and a newer tool remakes them all.
include("${CMAKE_CURRENT_LIST_DIR}/integration_support.cmake")

set(source "${EXAMPLE_DIR}/src")
set(build "${EXAMPLE_DIR}/build")
set(runs "${build}/pixmold/pixmold_example.dir")
set(headers badge.h sample.h stripes.h)

# Every conversion leaves a decoded image in its folder; with those removed,
# the folders show which conversions ran, whatever the build tool prints.
function(build_and_expect expected)
	foreach(header IN LISTS headers)
		file(REMOVE "${runs}/${header}/test_decompress.tga")
	endforeach()
	build_project("${build}" output)
	expect_converted("${output}" "${expected}")
	foreach(header IN LISTS headers)
		if(header IN_LIST expected AND NOT EXISTS "${runs}/${header}/test_decompress.tga")
			message(FATAL_ERROR "${header} was reported converted, but its folder holds no decoded image")
		elseif(NOT header IN_LIST expected AND EXISTS "${runs}/${header}/test_decompress.tga")
			message(FATAL_ERROR "${header} was converted again:\n${output}")
		endif()
	endforeach()
endfunction()

build_and_expect("")

# a pause, so that the touched file is newer even where times have whole seconds
execute_process(COMMAND "${CMAKE_COMMAND}" -E sleep 1.1)
file(TOUCH "${source}/examples/images/badge.png")
build_and_expect("badge.h")
build_and_expect("")

execute_process(COMMAND "${CMAKE_COMMAND}" -E sleep 1.1)
file(TOUCH "${PREFIX}/bin/Pixmold")
build_and_expect("${headers}")
expect_no_decoded_image("${source}")
