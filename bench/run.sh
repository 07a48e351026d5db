#!/usr/bin/env bash
# Benchmarks of the imaging control. Usage: bench/run.sh BUILD_DIR [RUNS]
# 1. bench_codecs: load and save of a 12-megapixel photograph-like picture
#    (4000 x 3000) in PNG, JPEG, BMP and TIFF; the files it leaves are the
#    inputs of the next step.
# 2. ardane-batch convert against `gm convert` for all twelve pairs of those
#    formats, with the same output settings on both sides (TIFF: LZW; JPEG:
#    quality 90; PNG and BMP: each program's own), median wall time and mean
#    CPU time of RUNS runs (default 7) after a warm-up, with the sizes of
#    both outputs. On a machine busy with other work the CPU times are the
#    steadier comparison.
# 3. bench_ops, when built: depth conversion and geometry on 24 megapixels.
# 4. bench_paint, bench_raster and bench_view: painting on 24 megapixels.
# 5. bench_objects: merging 1,000 drawing objects into 24 megapixels.
# 6. bench_layered: writing and reading an ALF of 24 megapixels with 1,000
#    drawing objects.
# 7. bench_effects: the sixteen effects and an intensity map on 24 megapixels
#    inside the imaging control, beside one memory copy of the pixels; then
#    ardane-batch apply against gm convert on a 24-megapixel BMP for thirteen
#    effects, each with the plain conversion (apply with no operation, gm
#    convert with no option) taken off its side, EFFECT_RUNS runs each
#    (default 3).
set -euo pipefail
build=${1:-build}
runs=${2:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "load average at the start: $(cut -d" " -f1-3 /proc/loadavg) on $(nproc) processors"
"$build/bench/bench_codecs" "$work" 4000 3000

# "WALL CPU": the median wall time and the mean processor time (user and
# system) in milliseconds. hyperfine (in the package list) runs the command
# $runs times after a warm-up; without it, five runs timed by date (no CPU
# time: "-").
times_ms() { # command...
  if command -v hyperfine >/dev/null; then
    hyperfine -N -w 1 -r "$runs" --export-json "$work/times.json" -- "$(printf '%q ' "$@")" >/dev/null 2>&1
    python3 -c 'import json,sys; r = json.load(open(sys.argv[1]))["results"][0]; print(round(r["median"] * 1000), round((r["user"] + r["system"]) * 1000))' "$work/times.json"
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
  echo "$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p) -"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "-" || b <= 0) print "-"; else printf "%.2f", a / b }'; }

# The output settings of one target format, for each program.
ours_opts() { case $1 in jpg) echo --quality 90 ;; esac; }
gm_opts() { case $1 in jpg) echo -quality 90 ;; tif) echo -compress LZW ;; esac; }

echo
echo "ardane-batch convert against gm convert: median wall ms, mean CPU ms (user + system), ours / gm"
printf '%-12s %8s %8s %6s %8s %8s %6s %10s %10s\n' pair "ours" "gm" ratio "ours cpu" "gm cpu" ratio "ours bytes" "gm bytes"
for from in png jpg bmp tif; do
  for to in png jpg bmp tif; do
    [ "$from" = "$to" ] && continue
    in="$work/bench.$from"
    # shellcheck disable=SC2046 # the options are words
    read -r ours ours_cpu < <(times_ms "$build/cli/ardane-batch" convert "$in" "$work/ours.$to" $(ours_opts "$to"))
    # shellcheck disable=SC2046
    read -r theirs theirs_cpu < <(times_ms gm convert "$in" $(gm_opts "$to") "$work/gm.$to")
    printf '%-12s %8s %8s %6s %8s %8s %6s %10s %10s\n' "$from -> $to" "$ours" "$theirs" "$(ratio "$ours" "$theirs")" \
      "$ours_cpu" "$theirs_cpu" "$(ratio "$ours_cpu" "$theirs_cpu")" "$(stat -c %s "$work/ours.$to")" "$(stat -c %s "$work/gm.$to")"
  done
done

echo "load average at the end: $(cut -d" " -f1-3 /proc/loadavg)"

if [ -x "$build/bench/bench_ops" ]; then
  echo
  "$build/bench/bench_ops"
fi

# 4. Painting: the gesture on its own (bench_paint), the canvas (bench_raster)
#    and the tools driven through a real view (bench_view); 5. drawing objects
#    merged into the picture (bench_objects); 6. the layered file
#    (bench_layered).
for b in bench_paint bench_raster bench_view bench_objects bench_layered; do
  if [ -x "$build/bench/$b" ]; then
    echo
    QT_QPA_PLATFORM=offscreen "$build/bench/$b"
  fi
done

# 7. Effects.
if [ -x "$build/bench/bench_effects" ]; then
  echo
  "$build/bench/bench_effects"
fi

effect_runs=${EFFECT_RUNS:-3}
# "WALL USER": the best wall time and the mean user processor time in
# milliseconds of N runs after a warm-up. On a machine shared with other
# work the fastest run is the one least disturbed; writing 72 MB makes the
# wall and system times of one run vary by a hundred milliseconds, while the
# user time is the work of the program itself. Without hyperfine, wall only.
best_ms() { # runs command...
  local n=$1
  shift
  if command -v hyperfine >/dev/null; then
    hyperfine -N -w 1 -r "$n" --export-json "$work/times.json" -- "$(printf '%q ' "$@")" >/dev/null 2>&1
    python3 -c 'import json,sys; r = json.load(open(sys.argv[1]))["results"][0]; print(round(r["min"] * 1000), round(r["user"] * 1000))' "$work/times.json"
    return
  fi
  local best=
  for _ in $(seq "$n"); do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    local t=$(( (end - start) / 1000000 ))
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  echo "$best -"
}
minus() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "-" || b == "-") print "-"; else print a - b }'; }

# The 12-megapixel picture of step 1 at 6000 x 4000, as a 24-bit BMP.
gm convert "$work/bench.png" -resize '6000x4000!' -type TrueColor "BMP3:$work/effects.bmp"
echo
echo "ardane-batch apply against gm convert on $(gm identify -format '%wx%h' "$work/effects.bmp") BMP:"
echo "best wall ms and mean user cpu ms of $effect_runs runs (5 for the plain conversions),"
echo "less the plain conversion of each program; ours / gm"
read -r plain_ours plain_ours_cpu < <(best_ms 5 "$build/cli/ardane-batch" apply "$work/effects.bmp" "$work/ours.bmp")
read -r plain_gm plain_gm_cpu < <(best_ms 5 gm convert "$work/effects.bmp" "$work/gm.bmp")
row() { printf '%-24s %-30s %8s %8s %6s %8s %8s %6s\n' "$@"; }
row ours gm "ours ms" "gm ms" ratio "ours cpu" "gm cpu" ratio
row "(plain conversion)" "" "$plain_ours" "$plain_gm" "$(ratio "$plain_ours" "$plain_gm")" \
  "$plain_ours_cpu" "$plain_gm_cpu" "$(ratio "$plain_ours_cpu" "$plain_gm_cpu")"
# "OUR OPERATION|GM OPTIONS": posterize=4 keeps 4 levels of each channel, 64
# colours, which -colors 64 picks from the picture instead (gm has no
# posterize); the others do the same kind of work on both sides.
while IFS='|' read -r op gm_op; do
  read -r ours ours_cpu < <(best_ms "$effect_runs" "$build/cli/ardane-batch" apply "$work/effects.bmp" "$work/ours.bmp" "$op")
  # shellcheck disable=SC2086 # the options are words
  read -r theirs theirs_cpu < <(best_ms "$effect_runs" gm convert "$work/effects.bmp" $gm_op "$work/gm.bmp")
  ours_net=$(minus "$ours" "$plain_ours")
  theirs_net=$(minus "$theirs" "$plain_gm")
  ours_cpu_net=$(minus "$ours_cpu" "$plain_ours_cpu")
  theirs_cpu_net=$(minus "$theirs_cpu" "$plain_gm_cpu")
  row "$op" "$gm_op" "$ours_net" "$theirs_net" "$(ratio "$ours_net" "$theirs_net")" \
    "$ours_cpu_net" "$theirs_cpu_net" "$(ratio "$ours_cpu_net" "$theirs_cpu_net")"
done <<'PAIRS'
invert|-negate
median=3|-median 1
average=3|-convolve 1,1,1,1,1,1,1,1,1
sharpen=500|-sharpen 0x1
emboss=north-east,500|-emboss 1
gamma=220|-gamma 2.2
saturation=500|-modulate 100,150
hue=120|-modulate 100,100,166.7
add-noise=300|+noise Uniform
shear=20|-shear 20x0
posterize=4|+dither -colors 64
grayscale|-colorspace gray
contrast=300|-contrast
histogram-contrast=1000|-equalize
PAIRS
