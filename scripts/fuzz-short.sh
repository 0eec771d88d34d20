#!/bin/sh
# The short fuzz run of every submission: each target first replays its
# regression inputs and seeds, then runs a fixed number of executions from a
# fixed seed. The working corpus starts empty, the timed corpus reload is off
# and so is address-space randomisation (addresses reach libFuzzer's tables
# of compared values), so that a run does the same work every time and fails
# only on a real fault. About two minutes on two cores, the build included.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-fuzz"
"$top/scripts/fuzz-build.sh"

work="$build/fuzz-short"
rm -rf "$work"
mkdir -p "$work"
# without address randomisation where the machine allows turning it off
norandom=
setarch "$(uname -m)" -R true 2>/dev/null && norandom="setarch $(uname -m) -R"
status=0
for entry in tga_reader:40000 jpeg_decoder:150000 png_reader:30000 builtin_decoder:150000 \
	builtin_decoder_asserts:100000 conversion:12000; do
	target=${entry%%:*}
	runs=${entry#*:}
	inputs=${target%_asserts} # the build with assertions reads the same seeds and regressions
	mkdir -p "$work/corpus/$target"
	regressions=
	[ -d "$top/fuzz/regressions/$inputs" ] && regressions="$top/fuzz/regressions/$inputs"
	if $norandom "$build/fuzz/fuzz_$target" -seed=1 -runs="$runs" -reload=0 -timeout=30 -print_final_stats=1 \
		-artifact_prefix="$work/$target-" "$work/corpus/$target" "$build/seeds/$inputs" $regressions \
		>"$work/$target.log" 2>&1; then
		echo "fuzz $target: $(grep -m1 '^#.*DONE' "$work/$target.log" || echo done)"
	else
		echo "fuzz $target: FAILED, see $work/$target.log"
		tail -n 40 "$work/$target.log"
		status=1
	fi
done
exit $status
