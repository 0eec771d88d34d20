# cmake --install puts the tool into bin/ and the package beside the
# libraries, and the package's version file takes requests of its own major
# version up to its own version.
include("${CMAKE_CURRENT_LIST_DIR}/integration_support.cmake")
# start from nothing, so that no earlier run can make the test pass
file(REMOVE_RECURSE "${PREFIX}")

run_checked(output "${CMAKE_COMMAND}" --install "${PIXMOLD_BINARY_DIR}" --prefix "${PREFIX}")

execute_process(COMMAND "${PREFIX}/bin/Pixmold" RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE usage)
if(NOT result EQUAL 0 OR NOT usage MATCHES "^error: missing program arguments\\.\nusage:\n")
	message(FATAL_ERROR "the installed tool does not run (exit status ${result}):\n${usage}")
endif()

file(GLOB package_dir "${PREFIX}/lib*/cmake/Pixmold")
foreach(file PixmoldConfig.cmake PixmoldConfigVersion.cmake PixmoldTargets.cmake
		PixmoldFunctions.cmake PixmoldConvert.cmake)
	if(NOT EXISTS "${package_dir}/${file}")
		message(FATAL_ERROR "the package lacks ${file} (package folder '${package_dir}')")
	endif()
endforeach()

function(expect_version_answer request compatible)
	set(PACKAGE_FIND_VERSION ${request})
	string(REGEX MATCH "^[0-9]+" PACKAGE_FIND_VERSION_MAJOR ${request})
	include("${package_dir}/PixmoldConfigVersion.cmake")
	if(NOT PACKAGE_VERSION_COMPATIBLE STREQUAL compatible)
		message(FATAL_ERROR "a request for ${request} is answered '${PACKAGE_VERSION_COMPATIBLE}' "
			"by version ${PACKAGE_VERSION}, expected ${compatible}")
	endif()
endfunction()
expect_version_answer(3 TRUE)
expect_version_answer(3.21 FALSE)
expect_version_answer(4.0 FALSE)
