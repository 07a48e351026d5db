#!/usr/bin/env bash
# Runs the fuzz targets of a fuzz build tree, one after another.
#
#   fuzz/run.sh BUILD SECONDS [TARGET...]          fuzzing; the corpus grows in BUILD/corpus/<target>
#   fuzz/run.sh --smoke BUILD SECONDS [TARGET...]  a short run per target from the seeds only
#                                                  (corpus thrown away), as `make test` does
#   fuzz/run.sh --prepare BUILD                    only (re)make the seeds
#
# TARGET is a short name (bmp, wmf, gif, tiff, jpeg, pcx, png, tga, eps, pcd,
# dib, file); all of them by default. Seeds are made first when BUILD/seeds is
# missing or older than the generator. Inputs that crash land in
# BUILD/findings/<target>/; the exit status is non-zero when any target found one.
set -uo pipefail
smoke=0
prepare=0
if [ "${1:-}" = --smoke ]; then smoke=1; shift; fi
if [ "${1:-}" = --prepare ]; then prepare=1; shift; set -- "${1:-}" 0; fi
[ $# -ge 2 ] || { echo "usage: $0 [--smoke|--prepare] BUILD SECONDS [TARGET...]" >&2; exit 2; }
[ -d "$1" ] || { echo "run.sh: no fuzz build tree at $1 (make fuzz-build makes it)" >&2; exit 1; }
build=$(cd "$1" && pwd) || exit 2
seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(bmp wmf gif tiff jpeg pcx png tga eps pcd dib file)

gen=$build/fuzz/fuzz_make_seeds
[ -x "$gen" ] || { echo "run.sh: $gen is not built (cmake --build $build --target fuzz_all)" >&2; exit 1; }
# One run at a time makes the seeds (CTest and `make fuzz` may start several).
exec 9>"$build/seeds.lock"
flock 9
if [ ! -d "$build/seeds" ] || [ "$gen" -nt "$build/seeds" ] || [ "$here/make-seeds.sh" -nt "$build/seeds" ]; then
  "$here/make-seeds.sh" "$gen" "$build/seeds.new" >"$build/seeds.log" 2>&1 || { cat "$build/seeds.log" >&2; exit 1; }
  rm -rf "$build/seeds" && mv "$build/seeds.new" "$build/seeds"
fi
flock -u 9
[ $prepare = 1 ] && { tail -1 "$build/seeds.log" 2>/dev/null; exit 0; }

# Leak reports from libraries outside Ardane are suppressed (fuzz/lsan.supp).
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
# Ours come last: a later suppressions= overrides one set by the caller.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/lsan.supp"
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

status=0
logs=$build/fuzz-logs
mkdir -p "$logs"
printf '%-6s %10s %8s %8s %8s %s\n' target execs cov ft corpus result
for t in "${targets[@]}"; do
  bin=$build/fuzz/fuzz_$t
  [ -x "$bin" ] || { echo "run.sh: $bin is not built" >&2; status=1; continue; }
  findings=$build/findings/$t
  mkdir -p "$findings"
  if [ $smoke = 1 ]; then
    corpus=$(mktemp -d)
  else
    corpus=$build/corpus/$t
    mkdir -p "$corpus"
  fi
  log=$logs/$t.log
  # -timeout: an input that takes longer is a hang of ours (the EPS target
  # holds Ghostscript to a few seconds itself). Memory: images up to the
  # 268-megapixel limit are legitimate, and GraphicsMagick holds such an
  # image in up to 10 bytes a pixel (2.7 GB) before we copy it; a tiny
  # GIF of many frames made it ask for 5 GB at once (kept in
  # tests/data/fuzz-regressions), so one allocation may be as large as the
  # whole memory limit.
  # A smoke run mutates from a fixed seed, so that the test suite is the
  # same run every time; `make fuzz` explores afresh.
  seed=()
  [ $smoke = 1 ] && seed=(-seed=1)
  "$bin" "$corpus" "$build/seeds/$t" "${seed[@]}" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=6144 \
    -malloc_limit_mb=6144 -print_final_stats=1 -artifact_prefix="$findings/" >"$log" 2>&1
  rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  last=$(grep -E '^#[0-9]+' "$log" | tail -1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corp=$(sed -n 's/.* corp: \([0-9]*\/[0-9A-Za-z]*\).*/\1/p' <<<"$last")
  if [ $rc = 0 ]; then result=ok; else result="FAILED (exit $rc, see $log)"; status=1; fi
  printf '%-6s %10s %8s %8s %8s %s\n' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}" "$result"
  if [ $rc != 0 ]; then
    grep -E '==[0-9]+==|^SUMMARY|check failed|runtime error|Test unit written' "$log" | head -8 >&2
  fi
  [ $smoke = 1 ] && rm -rf "$corpus"
done
exit $status
