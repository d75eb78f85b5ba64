#!/bin/sh
# Builds the fuzz targets with clang, AddressSanitizer and UBSan, and runs
# each for a short while on its seed corpus. A crash, a leak, undefined
# behaviour or a broken invariant fails the run.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVANE_FUZZ_BUILD_DIR:-$here/build-fuzz}
seconds=${CORVANE_FUZZ_SECONDS:-15}
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
  echo "fuzzing $name for ${seconds}s"
  (cd "$work" && "$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 "$work/$name" "$seeds" \
     >"$work/$name.log" 2>&1) || { tail -60 "$work/$name.log"; exit 1; }
  grep -E '^(Done|#[0-9]+.*DONE)' "$work/$name.log" | tail -1 || true
done
