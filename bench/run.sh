#!/usr/bin/env bash
# Benchmarks of the imaging control. Usage: bench/run.sh BUILD_DIR [RUNS]
# 1. bench_codecs: load and save of a 12-megapixel photograph-like picture
#    (4000 x 3000) in PNG, JPEG, BMP and TIFF; the files it leaves are the
#    inputs of the next step.
# 2. ardane-batch convert against `gm convert` for all twelve pairs of those
#    formats, with the same output settings on both sides (TIFF: LZW; JPEG:
#    quality 90; PNG and BMP: each program's own), median wall time of RUNS
#    runs (default 7) after a warm-up, with the sizes of both outputs.
# 3. bench_ops, when built: depth conversion and geometry on 24 megapixels.
set -euo pipefail
build=${1:-build}
runs=${2:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bench/bench_codecs" "$work" 4000 3000

# Median wall time in milliseconds. hyperfine (in the package list) runs the
# command $runs times after a warm-up; without it, five runs timed by date.
median_ms() { # command...
  if command -v hyperfine >/dev/null; then
    hyperfine -N -w 1 -r "$runs" --export-json "$work/times.json" -- "$(printf '%q ' "$@")" >/dev/null 2>&1
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

# The output settings of one target format, for each program.
ours_opts() { case $1 in jpg) echo --quality 90 ;; esac; }
gm_opts() { case $1 in jpg) echo -quality 90 ;; tif) echo -compress LZW ;; esac; }

echo
printf '%-12s %10s %10s %7s %12s %12s\n' pair "ardane ms" "gm ms" ratio "ardane bytes" "gm bytes"
for from in png jpg bmp tif; do
  for to in png jpg bmp tif; do
    [ "$from" = "$to" ] && continue
    in="$work/bench.$from"
    # shellcheck disable=SC2046 # the options are words
    ours=$(median_ms "$build/cli/ardane-batch" convert "$in" "$work/ours.$to" $(ours_opts "$to"))
    # shellcheck disable=SC2046
    theirs=$(median_ms gm convert "$in" $(gm_opts "$to") "$work/gm.$to")
    ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
    printf '%-12s %10s %10s %7s %12s %12s\n' "$from -> $to" "$ours" "$theirs" "$ratio" \
      "$(stat -c %s "$work/ours.$to")" "$(stat -c %s "$work/gm.$to")"
  done
done

if [ -x "$build/bench/bench_ops" ]; then
  echo
  "$build/bench/bench_ops"
fi
