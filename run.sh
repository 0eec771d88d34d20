#!/bin/sh
# Builds Pixmold if needed and converts an image to a header.
#   ./run.sh                                  converts samples/sample.png to build/sample/sample.h
#   ./run.sh <image> <header> [options]       runs Pixmold with these arguments
set -eu
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh"
jobs=$(nproc 2>/dev/null || getconf _NPROCESSORS_ONLN 2>/dev/null || echo 2)
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" --target Pixmold -j "$jobs"

if [ $# -eq 0 ]; then
	# the run leaves its decoded image, test_decompress.tga, in its working folder
	mkdir -p "$top/build/sample"
	cp "$top/samples/sample.png" "$top/build/sample/sample.png"
	cd "$top/build/sample"
	"$top/build/src/Pixmold" sample.png sample.h --verbose
	echo "wrote $top/build/sample/sample.h"
else
	exec "$top/build/src/Pixmold" "$@"
fi
