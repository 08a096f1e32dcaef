#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, address and undefined-behaviour
# sanitizers) into BUILD_DIR (default build-fuzz/) and runs each for FUZZ_SECONDS
# (default 60). Fails on the first crash, leak or sanitizer report.
set -euo pipefail
cd "$(dirname "$0")/.."
RAVIX_WITH_FUZZ=1 scripts/install-deps.sh
build_dir=${BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
targets=(fuzz_update_plain fuzz_update_scrambled fuzz_intel_hex fuzz_setup_file fuzz_settings_file)

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja "${launcher[@]}" -DRAVIX_FUZZ=ON -DRAVIX_BUILD_GUI=OFF \
  -DRAVIX_BUILD_TESTS=OFF -DRAVIX_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j2 --target "${targets[@]}"

scratch=$(mktemp -d /tmp/ravix-fuzz.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
# The settings-file reader starts from the committed seeds and a file that nests
# 100,000 arrays in one value (200 KB, made here rather than kept); its inputs may grow
# that large.
settings_corpus=$scratch/fuzz_settings_file
mkdir -p "$settings_corpus"
cp fuzz/corpus/settings_file/* "$settings_corpus/"
{ printf '{"format": 1, "controller": {"type": 1}, "settings": {"brake": '
  head -c 100000 /dev/zero | tr '\0' '['
  head -c 100000 /dev/zero | tr '\0' ']'
  printf '}}\n'; } >"$settings_corpus/deep_brake.json"
declare -A max_len=([fuzz_settings_file]=262144)

for target in "${targets[@]}"; do
  mkdir -p "$scratch/$target"
  options=(-max_total_time="$seconds" -print_final_stats=1)
  if [ -n "${max_len[$target]+x}" ]; then options+=(-max_len="${max_len[$target]}"); fi
  # Each target works in a scratch directory of its own (the setup-file target writes files).
  (cd "$scratch" && "$OLDPWD/$build_dir/fuzz/$target" "${options[@]}" \
    "$scratch/$target" >"$scratch/$target.log" 2>&1) || {
    echo "fuzz-smoke: $target failed:" >&2
    tail -40 "$scratch/$target.log" >&2
    exit 1
  }
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$scratch/$target.log")
  echo "fuzz-smoke: $target ran ${seconds} s, ${runs:-?} executions, no finding"
done
