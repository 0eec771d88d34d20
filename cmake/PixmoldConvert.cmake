# One conversion of pixmold_add_header(), run at build time in the folder of
# the settings file:
#   cmake -DPIXMOLD_TOOL=<tool> -DPIXMOLD_SETTINGS=<folder>/settings.cmake -P PixmoldConvert.cmake
# The settings give PIXMOLD_IMAGE and PIXMOLD_HEADER (absolute) and PIXMOLD_OPTIONS.
cmake_minimum_required(VERSION 3.16)

include("${PIXMOLD_SETTINGS}")
get_filename_component(run_dir "${PIXMOLD_SETTINGS}" DIRECTORY)
get_filename_component(image_name "${PIXMOLD_IMAGE}" NAME)
get_filename_component(header_name "${PIXMOLD_HEADER}" NAME)
get_filename_component(header_dir "${PIXMOLD_HEADER}" DIRECTORY)

# The tool names the class and guard after the image path it is given and
# dates the header by the image's modification time, so it gets the plain
# file name of a copy that keeps that time (file(COPY) preserves it; it would
# also skip a copy whose time matches, whatever the content).
file(REMOVE "${run_dir}/${image_name}")
file(COPY "${PIXMOLD_IMAGE}" DESTINATION "${run_dir}")
execute_process(COMMAND "${PIXMOLD_TOOL}" "${image_name}" "${header_name}" ${PIXMOLD_OPTIONS}
	WORKING_DIRECTORY "${run_dir}"
	RESULT_VARIABLE result)
if(NOT result EQUAL 0)
	message(FATAL_ERROR "Pixmold failed to convert ${PIXMOLD_IMAGE} (exit status ${result})")
endif()

# Only a complete header reaches its place: after a failed run the previous
# one stays, older than whatever changed, so the next build tries again. The
# copy is dated now, as the build expects of an output; file(COPY) would keep
# a time cut to whole seconds, older than the settings written just before.
file(MAKE_DIRECTORY "${header_dir}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E copy "${run_dir}/${header_name}" "${PIXMOLD_HEADER}"
	RESULT_VARIABLE result)
if(NOT result EQUAL 0)
	message(FATAL_ERROR "failed to copy ${header_name} to ${header_dir}")
endif()
