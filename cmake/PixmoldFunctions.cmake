# pixmold_add_header(<target> <image> [OUTPUT <header>] [NO_SELF_CONTAINED]
#                    [OPTIONS <option>...])
#
# Generates a C++ header from <image> at build time and makes <target> use it:
# the header's folder becomes a private SYSTEM include directory of <target>
# and the header one of its sources, so it is written before <target>
# compiles. Call it in the directory that defines <target>.
#
#   <image>    relative to the current source directory
#   OUTPUT     the header; relative to the current binary directory; default
#              pixmold/<target>/<image name less its last extension>.h there
#   NO_SELF_CONTAINED  leaves out "--self-contained", which the tool is
#              otherwise given first: the includer then provides the standard
#              headers and _ASSERTE that the header's code uses
#   OPTIONS    passed to the tool after the image and header names
#
# The include directory is a SYSTEM one so that the target's own warning
# flags (-Werror with -Wzero-as-null-pointer-constant, clang's -Weverything)
# judge the target's code, never the generated one, which no user can edit.
#
# Each conversion runs in a folder of its own,
# <current binary dir>/pixmold/<target>.dir/<header name>/, with a copy of the
# image under its plain file name, and the tool is given that name and the
# header's file name. So the class and guard follow the image's file name
# alone (images/logo.png gives Clogo_png and __LOGO_PNG_INCLUDED, whatever the
# checkout path), the header's comment names only the file, and the decoded
# test_decompress.tga that every run leaves stays in that folder. The header
# is remade when the image, the tool, the options or PixmoldConvert.cmake
# change. The tool is Pixmold::Pixmold: the imported target of the installed
# package, an alias of the build target when Pixmold is part of the build, or
# in another project's cross build the tool built for (or named for) the
# build machine.

include_guard(GLOBAL)

# a function reads CMAKE_CURRENT_LIST_DIR of its caller, so keep this file's folder
set_property(GLOBAL PROPERTY PIXMOLD_CONVERT_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/PixmoldConvert.cmake")

function(pixmold_add_header target image)
	cmake_parse_arguments(PARSE_ARGV 2 arg "NO_SELF_CONTAINED" "OUTPUT" "OPTIONS")
	if(arg_UNPARSED_ARGUMENTS)
		message(FATAL_ERROR "pixmold_add_header: unexpected arguments: ${arg_UNPARSED_ARGUMENTS}")
	endif()
	if(NOT TARGET ${target})
		message(FATAL_ERROR "pixmold_add_header: '${target}' is not a target")
	endif()
	if(NOT TARGET Pixmold::Pixmold)
		message(FATAL_ERROR "pixmold_add_header: the tool is missing; "
			"call find_package(Pixmold) or add Pixmold's source folder first")
	endif()

	get_filename_component(image "${image}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
	get_filename_component(image_name "${image}" NAME)
	if(arg_OUTPUT)
		get_filename_component(output "${arg_OUTPUT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
	else()
		get_filename_component(stem "${image}" NAME_WLE)
		set(output "${CMAKE_CURRENT_BINARY_DIR}/pixmold/${target}/${stem}.h")
	endif()
	get_filename_component(header_name "${output}" NAME)
	get_filename_component(header_dir "${output}" DIRECTORY)

	# Sources include the headers by file name from their folders, so two
	# headers of one target with the same name would hide one another (and
	# share a conversion folder).
	get_property(header_names TARGET ${target} PROPERTY PIXMOLD_HEADER_NAMES)
	list(FIND header_names "${header_name}" index) # not IN_LIST, which depends on the caller's policies
	if(index GREATER -1)
		message(FATAL_ERROR "pixmold_add_header: '${target}' already has a header named "
			"'${header_name}'; give this one another OUTPUT")
	endif()
	set_property(TARGET ${target} APPEND PROPERTY PIXMOLD_HEADER_NAMES "${header_name}")

	# The settings travel in a file rather than on the command line: options
	# pass through unaltered, and the file changes, and so remakes the
	# header, exactly when the settings do.
	set(run_dir "${CMAKE_CURRENT_BINARY_DIR}/pixmold/${target}.dir/${header_name}")
	set(settings "${run_dir}/settings.cmake")
	if(arg_NO_SELF_CONTAINED)
		set(options ${arg_OPTIONS})
	else()
		set(options --self-contained ${arg_OPTIONS})
	endif()
	set(content "set(PIXMOLD_IMAGE [==[${image}]==])\nset(PIXMOLD_HEADER [==[${output}]==])\nset(PIXMOLD_OPTIONS")
	foreach(option IN LISTS options)
		string(APPEND content " [==[${option}]==]")
	endforeach()
	string(APPEND content ")\n")
	file(GENERATE OUTPUT "${settings}" CONTENT "${content}")

	get_property(convert_script GLOBAL PROPERTY PIXMOLD_CONVERT_SCRIPT)
	add_custom_command(OUTPUT "${output}"
		COMMAND "${CMAKE_COMMAND}" "-DPIXMOLD_TOOL=$<TARGET_FILE:Pixmold::Pixmold>"
			"-DPIXMOLD_SETTINGS=${settings}" -P "${convert_script}"
		DEPENDS "${image}" Pixmold::Pixmold "${settings}" "${convert_script}"
		COMMENT "Pixmold: converting ${image_name} to ${header_name}"
		VERBATIM)
	target_sources(${target} PRIVATE "${output}")
	target_include_directories(${target} SYSTEM PRIVATE "${header_dir}")
endfunction()
