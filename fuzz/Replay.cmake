# The fuzz targets in the normal build: each with a plain main() that runs it
# over files and folders, and a test that replays its regression inputs.
include(${CMAKE_CURRENT_LIST_DIR}/FuzzTargets.cmake)
# a new regressions/<target>/ folder makes the build configure again and add its test
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/regressions)
foreach(PIXMOLD_FUZZ_TARGET ${PIXMOLD_FUZZ_TARGETS})
	add_executable(replay_${PIXMOLD_FUZZ_TARGET}
		${CMAKE_CURRENT_LIST_DIR}/${PIXMOLD_FUZZ_TARGET}_fuzzer.cpp
		${CMAKE_CURRENT_LIST_DIR}/fuzz_support.cpp
		${CMAKE_CURRENT_LIST_DIR}/replay_main.cpp)
	target_link_libraries(replay_${PIXMOLD_FUZZ_TARGET} PRIVATE pixmold_core)
	target_compile_options(replay_${PIXMOLD_FUZZ_TARGET} PRIVATE -Wall -Wextra)
	set(PIXMOLD_FUZZ_REGRESSIONS ${CMAKE_CURRENT_LIST_DIR}/regressions/${PIXMOLD_FUZZ_TARGET})
	if(EXISTS ${PIXMOLD_FUZZ_REGRESSIONS})
		add_test(NAME FuzzRegressions.${PIXMOLD_FUZZ_TARGET}
			COMMAND replay_${PIXMOLD_FUZZ_TARGET} ${PIXMOLD_FUZZ_REGRESSIONS})
		set_tests_properties(FuzzRegressions.${PIXMOLD_FUZZ_TARGET} PROPERTIES LABELS fast)
	endif()
endforeach()
