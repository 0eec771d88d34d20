#!/bin/sh
# A long fuzz run for a person to start: every target in turn for the given
# number of seconds (default 600), keeping its corpus in build-fuzz/fuzz-long/
# between runs. Crashes land in build-fuzz/fuzz-long/artifacts/; a fixed one
# goes to fuzz/regressions/<target>/, named for its fault.
#
# usage: scripts/fuzz-long.sh [seconds-per-target] [target...]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-fuzz"
seconds=${1:-600}
[ $# -gt 0 ] && shift
targets=${*:-tga_reader jpeg_decoder png_reader builtin_decoder conversion}
"$top/scripts/fuzz-build.sh"

work="$build/fuzz-long"
mkdir -p "$work/artifacts"
status=0
for target in $targets; do
	mkdir -p "$work/corpus/$target"
	regressions=
	[ -d "$top/fuzz/regressions/$target" ] && regressions="$top/fuzz/regressions/$target"
	if "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
		-artifact_prefix="$work/artifacts/$target-" "$work/corpus/$target" "$build/seeds/$target" $regressions \
		>"$work/$target.log" 2>&1; then
		echo "fuzz $target: $(grep '^#.*DONE' "$work/$target.log" | tail -n 1)"
	else
		echo "fuzz $target: FAILED, see $work/$target.log and $work/artifacts/"
		status=1
	fi
done
exit $status
