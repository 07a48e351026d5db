#!/usr/bin/env bash
# Benchmarks of the imaging control. Usage: bench/run.sh BUILD_DIR
# 1. bench_codecs: load and save of a 24-megapixel image in PNG, JPEG, BMP, TIFF.
# 2. ardane-batch convert against `gm convert` on the same files (median of 5 runs).
# 3. bench_ops, when built: depth conversion and geometry on 24 megapixels.
set -euo pipefail
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bench/bench_codecs" "$work"

median_ms() { # command...
  local times=()
  for _ in 1 2 3 4 5; do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 3p
}

echo
printf '%-6s %12s %12s %8s\n' format "ardane ms" "gm ms" ratio
for ext in png jpg bmp tif; do
  in="$work/bench.$ext"
  ours=$(median_ms "$build/cli/ardane-batch" convert "$in" "$work/ours.$ext" --quality 75)
  theirs=$(median_ms gm convert "$in" -quality 75 "$work/gm.$ext")
  ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
  printf '%-6s %12s %12s %8s\n' "$ext" "$ours" "$theirs" "$ratio"
done

if [ -x "$build/bench/bench_ops" ]; then
  echo
  "$build/bench/bench_ops"
fi
