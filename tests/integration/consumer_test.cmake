# A consumer that brings Pixmold in from its source tree (VIA is subdirectory
# or fetchcontent) builds the tool and the headers and decodes them; Pixmold's
# own tests, benchmarks, example and install rules stay off. With
# PARENT_FLAGS the consumer sets no build type and global flags of its own,
# -Werror among them, which must neither fail the tool's sources nor leave
# the tool unoptimised.
include("${CMAKE_CURRENT_LIST_DIR}/integration_support.cmake")
# start from nothing, so that no earlier run can make the test pass
file(REMOVE_RECURSE "${WORK_DIR}")

set(parent_args "")
if(PARENT_FLAGS)
	# -Wpadded draws warnings from the tool's records, never from the consumer's code
	set(parent_args -DCMAKE_BUILD_TYPE= "-DCMAKE_CXX_FLAGS=-Wshadow -Wpadded -Werror"
		-DCMAKE_COMPILE_WARNING_AS_ERROR=ON -DCMAKE_EXPORT_COMPILE_COMMANDS=ON)
endif()
build_and_run_consumer("${WORK_DIR}" "-DCONSUMER_PIXMOLD_VIA=${VIA}" ${parent_args})

file(STRINGS "${WORK_DIR}/build/CMakeCache.txt" switched_on
	REGEX "^PIXMOLD_(BUILD_TESTS|BUILD_BENCH|BUILD_EXAMPLES|INSTALL):BOOL=ON$")
if(switched_on)
	message(FATAL_ERROR "a consumer's build has Pixmold's own parts on: ${switched_on}")
endif()

if(PARENT_FLAGS)
	tool_compile_commands("${WORK_DIR}/build" commands)
	if(NOT commands)
		message(FATAL_ERROR "no compile command of the tool's sources in ${WORK_DIR}/build")
	endif()
	foreach(command IN LISTS commands)
		if(NOT command MATCHES " -O2( |$)")
			message(FATAL_ERROR "the tool is compiled without optimisation: ${command}")
		endif()
	endforeach()
endif()
