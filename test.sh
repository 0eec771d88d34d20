#!/bin/sh
# Builds everything and runs every test (the command CI runs).
set -eu
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh" test
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" -j "$(nproc)"
cd "$top/build"
ctest --output-on-failure -j "$(nproc)"
# a short deterministic fuzz run of every reader, the decoder and the conversion, and a
# mutation test of the whole tool under the sanitizers
"$top/scripts/fuzz-short.sh"
"$top/scripts/fuzz-mutate.sh" 20
