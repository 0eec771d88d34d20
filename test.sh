#!/bin/sh
# Builds everything and runs every test, both tiers (the command CI runs).
set -eu
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh" test
jobs=$(nproc 2>/dev/null || getconf _NPROCESSORS_ONLN 2>/dev/null || echo 2)
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" -j "$jobs"
cd "$top/build"
# every test is in one of the two tiers, "fast" (ctest -L fast while working) and "slow"
untiered=$(ctest -N -LE '^(fast|slow)$' | sed -n 's/^Total Tests: //p')
if [ "$untiered" != 0 ]; then
	ctest -N -LE '^(fast|slow)$'
	echo "these tests have neither the label fast nor slow" >&2
	exit 1
fi
ctest --output-on-failure -j "$jobs"
# a short deterministic fuzz run of every reader, the decoder and the conversion, and a
# mutation test of the whole tool under the sanitizers
"$top/scripts/fuzz-short.sh"
"$top/scripts/fuzz-mutate.sh" 20
