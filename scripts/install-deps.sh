#!/bin/sh
# Makes sure the build has what it needs, and with "test" also what the tests
# use. Where apt-get and dpkg-query exist (and root or sudo), it installs the
# missing Debian packages, and only those (apt-get runs only then). Elsewhere
# it looks for each thing itself and lets the build go on when all are there;
# otherwise it names the packages to install and stops.
set -eu
tests=${1:-}

# Debian's names, for apt-get and for the advice below
packages="cmake make g++ pkg-config libpng-dev"
if [ "$tests" = test ]; then
	# GoogleTest; libjpeg as the JPEG tests' reference; ImageMagick writes test files;
	# clang compiles the generated headers a second way and builds the fuzz targets;
	# ninja runs one cross-build test a second way; make and meson (with ninja) build
	# the README's recipes; the Arm cross compiler with newlib and the emulator build and
	# run the row decoder on an emulated Cortex-M4
	packages="$packages libgtest-dev libjpeg-dev imagemagick clang libclang-rt-14-dev ninja-build meson"
	packages="$packages gcc-arm-none-eabi libnewlib-arm-none-eabi libstdc++-arm-none-eabi-newlib qemu-system-arm"
fi

have() {
	command -v "$1" >/dev/null 2>&1
}

if have apt-get && have dpkg-query && { [ "$(id -u)" -eq 0 ] || have sudo; }; then
	missing=""
	for package in $packages; do
		dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
			missing="$missing $package"
	done
	[ -z "$missing" ] && exit 0

	echo "installing:$missing"
	SUDO=
	[ "$(id -u)" -ne 0 ] && SUDO=sudo
	export DEBIAN_FRONTEND=noninteractive
	$SUDO apt-get install -y --no-install-recommends $missing ||
		{ $SUDO apt-get update && $SUDO apt-get install -y --no-install-recommends $missing; }
	exit 0
fi

# No apt-get: look for each thing the build uses.
missing=""
optional=""
# need <what> <Debian package> <name elsewhere>
need() {
	missing="$missing
	$1: $2 on Debian and Ubuntu, $3 elsewhere"
}

cxx=${CXX:-}
if [ -z "$cxx" ]; then
	for candidate in c++ g++ clang++; do
		if have "$candidate"; then
			cxx=$candidate
			break
		fi
	done
fi
# compiles <pkg-config name> <source>: the source compiles with the flags the package gives
compiles() {
	[ -n "$cxx" ] || return 1
	flags=$(pkg-config --cflags "$1" 2>/dev/null || true)
	printf '%s\n' "$2" | $cxx -x c++ -fsyntax-only $flags - >/dev/null 2>&1
}

if have cmake; then
	version=$(cmake --version | sed -n '1s/[^0-9]*\([0-9][0-9]*\)\.\([0-9][0-9]*\).*/\1 \2/p')
	major=${version% *}
	minor=${version#* }
	if [ -z "$version" ] || [ "$major" -lt 3 ] || { [ "$major" -eq 3 ] && [ "$minor" -lt 21 ]; }; then
		need "CMake 3.21 or newer (found $(cmake --version | head -n 1))" cmake cmake
	fi
else
	need "CMake 3.21 or newer" cmake cmake
fi
# CMake's default generator here runs make; another one is chosen with CMAKE_GENERATOR
if [ -z "${CMAKE_GENERATOR:-}" ] && ! have make; then
	need "make" make "make (GNU make)"
fi
[ -n "$cxx" ] || need "a C++17 compiler" g++ "g++ or clang++"
compiles libpng '#include <png.h>' || need "libpng headers" libpng-dev "libpng-devel (libpng)"

if [ "$tests" = test ]; then
	compiles gtest '#include <gtest/gtest.h>' || need "GoogleTest" libgtest-dev "gtest-devel (googletest)"
	compiles libjpeg '#include <stdio.h>
#include <jpeglib.h>' || need "libjpeg headers" libjpeg-dev "libjpeg-turbo-devel (libjpeg-turbo)"
	have clang++ || need "clang++" clang "clang"
	if have clang++ && ! printf '%s\n' \
		'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }' |
		clang++ -x c++ -fsanitize=fuzzer,address -o /dev/null - >/dev/null 2>&1; then
		need "libFuzzer and the sanitizer runtimes of clang" libclang-rt-14-dev "compiler-rt"
	fi
	# the README's Make recipe needs make even when the build uses another generator
	if [ -n "${CMAKE_GENERATOR:-}" ] && ! have make; then
		need "make" make "make (GNU make)"
	fi
	have meson || need "Meson" meson "meson"
	have ninja || need "ninja" ninja-build "ninja"
	have arm-none-eabi-g++ && printf '#include <new>\n' | arm-none-eabi-g++ -x c++ -fsyntax-only - >/dev/null 2>&1 ||
		need "the Arm cross compiler with newlib and its C++ library" \
			"gcc-arm-none-eabi libnewlib-arm-none-eabi libstdc++-arm-none-eabi-newlib" "the Arm GNU Toolchain (arm-none-eabi)"
	have qemu-system-arm || need "QEMU for Arm boards" qemu-system-arm "qemu (qemu-system-arm)"
	[ -x /usr/bin/convert ] || optional="$optional
	ImageMagick's /usr/bin/convert: imagemagick on Debian and Ubuntu, ImageMagick elsewhere (one TGA test is skipped without it)"
fi

if [ -n "$optional" ]; then
	echo "not found, and not needed:$optional"
fi
if [ -n "$missing" ]; then
	echo "missing, and apt-get cannot install it here; please install:$missing" >&2
	exit 1
fi
exit 0
