#!/bin/sh
# Builds the fuzz targets with clang, AddressSanitizer and UBSan, and runs
# each on its seed corpus for a fixed number of inputs from a fixed seed, so
# a run is repeatable. A crash, a leak, undefined behaviour or a broken
# invariant fails it. CORVANE_FUZZ_SECONDS=N fuzzes for N seconds instead,
# with a random seed, for hunting.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVANE_FUZZ_BUILD_DIR:-$here/build-fuzz}
if [ -n "${CORVANE_FUZZ_SECONDS:-}" ]; then
  budget="-max_total_time=$CORVANE_FUZZ_SECONDS"
else
  budget="-runs=${CORVANE_FUZZ_RUNS:-20000} -seed=1"
fi
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DCORVANE_FUZZ=ON -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=OFF -DCORVANE_BUILD_GUI=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in "$build"/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name=$(basename "$target")
  seeds="$here/fuzz/corpus/${name#fuzz_}"
  mkdir -p "$work/$name"
  options="$budget"
  # A target whose every input writes files takes fewer runs (fuzz/NAME.runs).
  if [ -z "${CORVANE_FUZZ_SECONDS:-}" ] && [ -f "$here/fuzz/$name.runs" ]; then
    options="-runs=$(cat "$here/fuzz/$name.runs") -seed=1"
  fi
  echo "fuzzing $name ($options)"
  # shellcheck disable=SC2086
  mkdir -p "$build/artifacts"
  (cd "$work" && "$target" $options -max_len=65536 -timeout=10 -artifact_prefix="$build/artifacts/$name-" \
     "$work/$name" "$seeds" \
     >"$work/$name.log" 2>&1) || { tail -60 "$work/$name.log"; exit 1; }
  grep -E '^(Done|#[0-9]+.*DONE)' "$work/$name.log" | tail -1 || true
done
