#!/usr/bin/env bash
# Builds and runs the libFuzzer targets of fuzz/ (clang, AddressSanitizer, UndefinedBehaviorSanitizer).
# Their tree, build-asan/, is also the one in which tools/build.sh test runs the whole test suite
# under the sanitizers: the libraries are built once for both.
#
#   tools/fuzz.sh configure              configure build-asan/ with clang (tests and fuzz targets)
#   tools/fuzz.sh build                  configure, then build the targets, their seeds and
#                                        dictionaries
#   tools/fuzz.sh smoke [SECONDS]        build, then run every target on its seeds for SECONDS in
#                                        all (default 64); fails on any finding
#   tools/fuzz.sh run TARGET [ARGS...]   build, then a long run of hlvfuzz_TARGET whose corpus
#                                        grows in build-asan/fuzz/corpus/TARGET; ARGS go to
#                                        libFuzzer, such as -runs=10000000
#
# Findings (the input that failed) are written to build-asan/fuzz/findings/. Set HLV_JOBS to
# change the build's parallelism (default 2).
set -euo pipefail

cd "$(dirname "$0")/.."
jobs="${HLV_JOBS:-2}"
dir=build-asan
targets=(json_form value_text formatted_text image connector_description modular_dialog pkcs8 certificate)
inputs="$dir/fuzz/inputs"

configure() {
  # -O1 with line tables only: the instrumented build compiles much faster than at -O2 with full
  # debug information, runs nearly as fast, and its reports still name file and line.
  CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only -DNDEBUG" -DHLV_FUZZ=ON \
    -DHLV_BUILD_TESTS=ON -DHLV_BUILD_BENCHMARKS=OFF >/dev/null
}

build() {
  configure
  cmake --build "$dir" -j "$jobs" --target hlvfuzz_inputs "${targets[@]/#/hlvfuzz_}"
}

# Every finding stops the run: UndefinedBehaviorSanitizer's too (the build does not recover).
# Qt's platform plugins keep some memory until exit; tests/lsan.supp names them.
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1:${ASAN_OPTIONS:-}"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:${LSAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"

fuzz() {  # fuzz TARGET CORPUS [ARGS...]: the target on CORPUS (written to) and its seeds
  local target="$1" corpus="$2"
  shift 2
  mkdir -p "$corpus" "$dir/fuzz/findings"
  "$dir/fuzz/hlvfuzz_$target" "$corpus" "$inputs/seeds/$target" -dict="$inputs/dicts/$target.dict" \
    -artifact_prefix="$dir/fuzz/findings/$target-" -timeout=30 -rss_limit_mb=4096 -max_len=65536 "$@"
}

case "${1:-}" in
  configure)
    configure
    ;;
  build)
    build
    ;;
  smoke)
    build
    seconds=$(( ${2:-64} / ${#targets[@]} ))
    [ "$seconds" -ge 1 ] || seconds=1
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    for target in "${targets[@]}"; do
      if fuzz "$target" "$scratch/$target" -max_total_time="$seconds" -print_final_stats=1 >"$scratch/$target.log" 2>&1; then
        echo "hlvfuzz_$target: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$scratch/$target.log" | grep -o '[0-9]*$') runs, no finding"
      else
        tail -n 60 "$scratch/$target.log"
        echo "hlvfuzz_$target: FINDING (the input is in $dir/fuzz/findings/)" >&2
        exit 1
      fi
    done
    ;;
  run)
    [ $# -ge 2 ] || { echo "usage: tools/fuzz.sh run TARGET [LIBFUZZER-ARGS...]" >&2; exit 2; }
    target="$2"
    shift 2
    build
    fuzz "$target" "$dir/fuzz/corpus/$target" -print_final_stats=1 "$@"
    ;;
  *)
    echo "usage: tools/fuzz.sh configure | build | smoke [SECONDS] | run TARGET [LIBFUZZER-ARGS...]" >&2
    exit 2
    ;;
esac
