#!/bin/sh
# Configures and builds the fuzz build (clang++, libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer) in build-fuzz/ and writes the seed corpora
# to build-fuzz/seeds/. The other fuzz scripts start with it.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-fuzz"
"$top/scripts/install-deps.sh" test
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	-DPIXMOLD_BUILD_TESTS=OFF -DPIXMOLD_BUILD_BENCH=OFF -DPIXMOLD_BUILD_FUZZERS=ON >/dev/null
cmake --build "$build" --target fuzz_all -j 2 >/dev/null
rm -rf "$build/seeds"
"$build/fuzz/make_seed_corpus" "$build/seeds"
