# Copies a text file with one exact piece of text replaced. Fails unless the
# text occurs exactly once, so that a change made this way cannot silently
# stop happening when the file is edited.
#
# Usage: cmake -DINPUT=<file> -DOUTPUT=<file> -DFROM=<text> -DTO=<text> -P ReplaceOnce.cmake

file(READ "${INPUT}" text)
string(FIND "${text}" "${FROM}" first)
string(FIND "${text}" "${FROM}" last REVERSE)
if(first EQUAL -1 OR NOT first EQUAL last)
	message(FATAL_ERROR "'${FROM}' does not occur exactly once in ${INPUT}")
endif()
string(REPLACE "${FROM}" "${TO}" text "${text}")
file(WRITE "${OUTPUT}" "${text}")
