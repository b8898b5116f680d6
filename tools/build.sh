#!/usr/bin/env bash
# Installs what hlvpreslayerdata needs on Debian, builds it and runs it.
#
#   tools/build.sh demo   build, then run the main job: hlvpres demo
#   tools/build.sh test   build, run every test, then build with clang and test again under
#                         AddressSanitizer and UndefinedBehaviorSanitizer, run every fuzz
#                         target briefly in that same tree, and the thread tests under
#                         ThreadSanitizer; prints how long each stage took
#
# Builds go to build/ (g++), build-asan/ (clang: the sanitized suite and the fuzz targets) and
# build-tsan/. Set HLV_JOBS to change the parallelism (default 2).
set -euo pipefail

cd "$(dirname "$0")/.."
jobs="${HLV_JOBS:-2}"
sanitizer_flags="-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"

packages=(g++ cmake ninja-build python3 qtbase5-dev rapidjson-dev libsimdjson-dev libboost-dev libssl-dev
          libgtest-dev libbenchmark-dev unixodbc-dev libqt5sql5-sqlite openssl zlib1g-dev
          postgresql libqt5sql5-psql libqt5sql5-odbc odbc-postgresql libsqliteodbc pkg-config doxygen
          chromium nodejs
          libqt5sql5-mysql mariadb-server mariadb-client tdsodbc libcsv-dev libquazip5-dev libxlsxwriter-dev
          postgresql-client hyperfine libsqlite3-dev libpq-dev time libsecret-1-dev
          clang libclang-rt-14-dev)  # clang, its sanitizers and libFuzzer: build-asan/

install_dependencies() {
  local missing=()
  for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return
  echo "Installing ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  # The package lists may be missing or stale on a fresh machine: refresh them when needed.
  "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}" ||
    { "${sudo[@]}" apt-get update && "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; }
  # Some builds of nodejs bring npm themselves, and Debian's npm package conflicts with them.
  command -v npm >/dev/null || "${sudo[@]}" apt-get install -y --no-install-recommends npm
}

build() {  # build DIR [CMAKE-ARGS...]
  local dir="$1"
  shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  cmake --build "$dir" -j "$jobs"
}

run_tests() {  # run_tests DIR
  # Offscreen Qt: image tests need no display.
  QT_QPA_PLATFORM=offscreen ctest --test-dir "$1" --output-on-failure --no-tests=error -j "$jobs"
}

# Each stage of the test command is timed; the times are printed as each ends and, together, when
# the command ends, whether it passed or not.
stage_times=()
stage() {  # stage NAME COMMAND [ARGS...]
  local name="$1" start=$SECONDS
  shift
  echo "== $name"
  "$@"
  local took=$((SECONDS - start))
  stage_times+=("$(printf '%-48s %3dm%02ds' "$name" $((took / 60)) $((took % 60)))")
  echo "== $name: $((took / 60))m$((took % 60))s"
}
print_stage_times() {
  [ ${#stage_times[@]} -eq 0 ] && return
  echo "Stage times:"
  printf '  %s\n' "${stage_times[@]}"
  printf '  %-48s %3dm%02ds\n' "in all" $((SECONDS / 60)) $((SECONDS % 60))
}

asan_tests() {
  # Qt's platform plugins keep some memory until exit; tests/lsan.supp names them.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp" \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 run_tests build-asan
}

tsan_tests() {
  # Only the thread tests' program is built under ThreadSanitizer.
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHLV_SANITIZE=thread \
    -DHLV_BUILD_TESTS=ON -DHLV_BUILD_BENCHMARKS=OFF "$sanitizer_flags"
  cmake --build build-tsan --target hlvthreadtests -j "$jobs"
  QT_QPA_PLATFORM=offscreen TSAN_OPTIONS=halt_on_error=1 \
    ctest --test-dir build-tsan -L thread --output-on-failure --no-tests=error
}

case "${1:-}" in
  demo)
    install_dependencies
    build build -DHLV_BUILD_TESTS=OFF -DHLV_BUILD_BENCHMARKS=OFF
    ./build/cli/hlvpres demo
    ;;
  test)
    SECONDS=0
    trap print_stage_times EXIT
    stage "install dependencies" install_dependencies
    # Line tables only: -O2 code as users get it, in less time, and still file and line in a report.
    stage "build (g++)" build build -DHLV_BUILD_TESTS=ON -DHLV_BUILD_BENCHMARKS=ON "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
    stage "test suite (g++)" run_tests build
    # One clang tree, build-asan/, with AddressSanitizer and UndefinedBehaviorSanitizer, serves
    # both the whole test suite and the fuzz targets (tools/fuzz.sh).
    stage "build (clang, ASan + UBSan, fuzz targets)" \
      bash -c 'tools/fuzz.sh configure && cmake --build build-asan -j "$1"' - "$jobs"
    stage "test suite (clang, ASan + UBSan)" asan_tests
    stage "fuzz targets on their seeds" env HLV_JOBS="$jobs" tools/fuzz.sh smoke 64
    stage "thread tests (g++, TSan)" tsan_tests
    ;;
  *)
    echo "usage: tools/build.sh demo|test" >&2
    exit 2
    ;;
esac
