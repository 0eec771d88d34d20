# Converts a colour picture with "--lossless" by the tool and by its variant
# with the colour transform fault (fault_injection.cmake), which run as
#   TOOL, FAULTY_TOOL  the two executables
#   PICTURE            the colour picture
#   WORK_DIR           a folder of the test's own

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

# converts the picture and stops the test unless the exit status is <expected>;
# standard error goes to <err_var>
function(convert tool expected err_var)
	execute_process(COMMAND "${tool}" "${PICTURE}" out.h --lossless ${ARGN} WORKING_DIRECTORY "${WORK_DIR}"
		RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
	if(NOT status EQUAL expected)
		string(REPLACE ";" " " command "${tool};${PICTURE};out.h;--lossless;${ARGN}")
		message(FATAL_ERROR "${command}: exit status ${status}, expected ${expected}\n${out}${err}")
	endif()
	set(${err_var} "${err}" PARENT_SCOPE)
endfunction()

convert("${TOOL}" 0 err)
file(SHA256 "${WORK_DIR}/out.h" good_header)
# the header carries the lossy transform for a lossless image: its checksum box
convert("${FAULTY_TOOL}" 255 err)
string(REPEAT "\\*" 80 box_line)
if(NOT err MATCHES "${box_line}\n\\* fatal error: decompress output differs \\(expected 0x[0-9a-f]+, got 0x[0-9a-f]+\\) \\*\n${box_line}\n")
	message(FATAL_ERROR "the checksum box is missing:\n${err}")
endif()
# the run failed after its header was written: the previous header stays
file(SHA256 "${WORK_DIR}/out.h" header_after_failure)
if(NOT header_after_failure STREQUAL good_header)
	message(FATAL_ERROR "the failed run replaced the previous header")
endif()
# a shared header, and one made without code opts, carry the whole template, which the fault does not touch
convert("${FAULTY_TOOL}" 0 err --shared-decompress)
convert("${FAULTY_TOOL}" 0 err --no-code-opts)
