# Helpers of the integration tests, which run as cmake -P scripts with
#   PIXMOLD_SOURCE_DIR  Pixmold's source tree
#   PREFIX              where Pixmold's package is installed
#   GENERATOR, CXX_COMPILER, BUILD_TYPE  what the projects are built with
# and, as each test needs, WORK_DIR (a folder of the test's own), or the
# folder that an earlier test left to this one.
cmake_minimum_required(VERSION 3.16)

# runs a command and stops the test with its output if it fails; the merged
# standard output and error go to <out_var>
function(run_checked out_var)
	execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
	if(NOT result EQUAL 0)
		string(REPLACE ";" " " command "${ARGN}")
		message(FATAL_ERROR "failed (${result}): ${command}\n${output}")
	endif()
	set(${out_var} "${output}" PARENT_SCOPE)
endfunction()

# copies a folder's contents to a fresh folder, keeping modification times
# (the headers' date lines come from the images' times)
function(copy_tree source destination)
	file(REMOVE_RECURSE "${destination}")
	file(MAKE_DIRECTORY "${destination}")
	file(COPY "${source}/" DESTINATION "${destination}")
endfunction()

function(configure_project source binary)
	run_checked(output "${CMAKE_COMMAND}" -S "${source}" -B "${binary}" -G "${GENERATOR}"
		"-DCMAKE_CXX_COMPILER=${CXX_COMPILER}" "-DCMAKE_BUILD_TYPE=${BUILD_TYPE}" ${ARGN})
endfunction()

# builds a project and returns the build tool's output
function(build_project binary out_var)
	run_checked(output "${CMAKE_COMMAND}" --build "${binary}" --parallel 2)
	set(${out_var} "${output}" PARENT_SCOPE)
endfunction()

# the header names that a build's output reports as converted, sorted
function(converted_headers build_output out_var)
	string(REGEX MATCHALL "Pixmold: converting [^ \r\n]+ to [^ \r\n]+" lines "${build_output}")
	set(headers "")
	foreach(line IN LISTS lines)
		string(REGEX REPLACE ".* to " "" header "${line}")
		list(APPEND headers "${header}")
	endforeach()
	list(SORT headers)
	set(${out_var} "${headers}" PARENT_SCOPE)
endfunction()

function(expect_converted build_output expected)
	converted_headers("${build_output}" headers)
	if(NOT headers STREQUAL "${expected}")
		message(FATAL_ERROR "expected the build to convert '${expected}', it converted '${headers}':\n${build_output}")
	endif()
endfunction()

# the decoded image of every run must stay in the build tree
function(expect_no_decoded_image source)
	file(GLOB_RECURSE found "${source}/test_decompress.tga")
	if(found)
		message(FATAL_ERROR "test_decompress.tga left in the source folder: ${found}")
	endif()
endfunction()

function(expect_contains file text)
	file(READ "${file}" content)
	string(FIND "${content}" "${text}" position)
	if(position EQUAL -1)
		message(FATAL_ERROR "${file} lacks '${text}'")
	endif()
endfunction()

# copies the consumer project to <work>/src, configures it in <work>/build
# with the extra arguments, builds it and runs its program, which decodes
# both of its headers
function(build_and_run_consumer work)
	copy_tree("${PIXMOLD_SOURCE_DIR}/tests/integration/consumer" "${work}/src")
	configure_project("${work}/src" "${work}/build" "-DCONSUMER_PIXMOLD_SOURCE=${PIXMOLD_SOURCE_DIR}" ${ARGN})
	build_project("${work}/build" output)
	expect_converted("${output}" "logo.h;named_logo.h")
	run_checked(report "${work}/build/consumer")
	expect_no_decoded_image("${work}/src")
endfunction()

# the compile commands, from a build configured with
# CMAKE_EXPORT_COMPILE_COMMANDS, of the files in Pixmold's src/ folder
function(tool_compile_commands binary out_var)
	file(READ "${binary}/compile_commands.json" json)
	string(JSON n_entries LENGTH "${json}")
	set(commands "")
	if(n_entries GREATER 0)
		math(EXPR n_last "${n_entries} - 1")
		foreach(index RANGE ${n_last})
			string(JSON file GET "${json}" ${index} file)
			string(FIND "${file}" "${PIXMOLD_SOURCE_DIR}/src/" position)
			if(position EQUAL 0)
				string(JSON command GET "${json}" ${index} command)
				list(APPEND commands "${command}")
			endif()
		endforeach()
	endif()
	set(${out_var} "${commands}" PARENT_SCOPE)
endfunction()
