#!/usr/bin/env bash
# Installs what hlvpreslayerdata needs on Debian, builds it and runs it.
#
#   tools/build.sh demo   build, then run the main job: hlvpres demo
#   tools/build.sh test   build, run every test, then build and test again under
#                         AddressSanitizer and UndefinedBehaviorSanitizer, the thread tests
#                         under ThreadSanitizer, and every fuzz target briefly (clang)
#
# Builds go to build/, build-sanitize/, build-tsan/ and build-fuzz/. Set HLV_JOBS to change the parallelism (default 2).
set -euo pipefail

cd "$(dirname "$0")/.."
jobs="${HLV_JOBS:-2}"
sanitizer_flags="-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"

packages=(g++ cmake ninja-build python3 qtbase5-dev rapidjson-dev libboost-dev libssl-dev
          libgtest-dev libbenchmark-dev unixodbc-dev libqt5sql5-sqlite openssl zlib1g-dev
          postgresql libqt5sql5-psql libqt5sql5-odbc odbc-postgresql libsqliteodbc pkg-config doxygen
          libcpp-httplib-dev chromium nodejs
          clang libclang-rt-14-dev)  # clang and libFuzzer: tools/fuzz.sh

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

case "${1:-}" in
  demo)
    install_dependencies
    build build -DHLV_BUILD_TESTS=OFF -DHLV_BUILD_BENCHMARKS=OFF
    ./build/cli/hlvpres demo
    ;;
  test)
    install_dependencies
    build build -DHLV_BUILD_TESTS=ON -DHLV_BUILD_BENCHMARKS=ON
    run_tests build
    # The sanitizer builds are made at -O1 with small line tables: a test source compiles in a little
    # over half the CPU time of -O2 -g, and their reports still name file and line.
    build build-sanitize -DHLV_SANITIZE=ON -DHLV_BUILD_TESTS=ON -DHLV_BUILD_BENCHMARKS=OFF "$sanitizer_flags"
    # Qt's platform plugins keep some memory until exit; tests/lsan.supp names them.
    # The leak check of g++ 12's sanitizer runtime crashes when it scans the dynamic TLS of a
    # library loaded at run time (Qt's image plug-ins); not intercepting __tls_get_addr avoids it.
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0 LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp" \
      UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 run_tests build-sanitize
    # The thread tests again under ThreadSanitizer: only their program is built.
    cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHLV_SANITIZE=thread \
      -DHLV_BUILD_TESTS=ON -DHLV_BUILD_BENCHMARKS=OFF "$sanitizer_flags"
    cmake --build build-tsan --target hlvthreadtests -j "$jobs"
    QT_QPA_PLATFORM=offscreen TSAN_OPTIONS=halt_on_error=1 \
      ctest --test-dir build-tsan -L thread --output-on-failure --no-tests=error
    # Every fuzz target briefly on its seeds (clang, AddressSanitizer and UndefinedBehaviorSanitizer,
    # in build-fuzz/): about a minute in all, failing on any finding.
    HLV_JOBS="$jobs" tools/fuzz.sh smoke 64
    ;;
  *)
    echo "usage: tools/build.sh demo|test" >&2
    exit 2
    ;;
esac
