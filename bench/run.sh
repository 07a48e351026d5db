#!/usr/bin/env bash
# Benchmarks of the imaging control. Usage: bench/run.sh BUILD_DIR
# 1. bench_codecs: load and save of a 24-megapixel image in PNG, JPEG, BMP, TIFF.
# 2. ardane-batch convert against `gm convert` on the same files (median of 9 runs).
# 3. bench_ops, when built: depth conversion and geometry on 24 megapixels.
set -euo pipefail
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bench/bench_codecs" "$work"

# Median wall time in milliseconds. hyperfine (in the package list) runs the
# command nine times after two warm-ups; without it, five runs timed by date.
median_ms() { # command...
  if command -v hyperfine >/dev/null; then
    hyperfine -N -w 2 -r 9 --export-json "$work/times.json" -- "$(printf '%q ' "$@")" >/dev/null 2>&1
    python3 -c 'import json,sys; print(round(json.load(open(sys.argv[1]))["results"][0]["median"] * 1000))' "$work/times.json"
    return
  fi
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
