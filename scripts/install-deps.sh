#!/bin/sh
# Installs the Debian packages the build needs, and with "test" also those the
# tests use, but only the ones that are missing (apt-get runs only then).
set -eu

packages="cmake make g++ pkg-config libpng-dev"
if [ "${1:-}" = test ]; then
	# GoogleTest; libjpeg as the JPEG tests' reference; ImageMagick writes test files;
	# clang compiles the generated headers a second way and builds the fuzz targets
	packages="$packages libgtest-dev libjpeg62-turbo-dev imagemagick clang libclang-rt-14-dev"
fi

missing=""
for package in $packages; do
	dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
		missing="$missing $package"
done
[ -z "$missing" ] && exit 0

echo "installing:$missing"
if [ "$(id -u)" -ne 0 ]; then
	SUDO=sudo
else
	SUDO=
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get install -y --no-install-recommends $missing ||
	{ $SUDO apt-get update && $SUDO apt-get install -y --no-install-recommends $missing; }
