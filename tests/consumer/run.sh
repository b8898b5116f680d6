#!/usr/bin/env bash
# Installs the build into a temporary prefix, as a user would, and checks what was installed:
#   - the three libraries carry their soname, and the installed tool runs from the prefix;
#   - tests/consumer builds against the prefix through the CMake package and through the
#     pkg-config file, links to the libraries by soname and runs.
#
#   run.sh BUILD-DIR CONSUMER-SOURCE-DIR LIBDIR SOVERSION GENERATOR CXX-COMPILER [LAUNCHER]
set -euo pipefail

build_dir="$1" consumer_dir="$2" libdir="$3" soversion="$4" generator="$5" compiler="$6" launcher="${7:-}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"

fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build_dir" --prefix "$prefix" >/dev/null

dynamic_entry() {  # dynamic_entry FILE TAG: the values of the file's TAG entries, one a line
  readelf -d "$1" | sed -n "s/.*($2).*\[\(.*\)\]$/\1/p"
}
for library in hlvhost hlvpreslayerdata hlvservices; do
  file="$prefix/$libdir/lib$library.so"
  [ -e "$file" ] || fail "$file is not installed"
  soname="$(dynamic_entry "$file" SONAME)"
  [ "$soname" = "lib$library.so.$soversion" ] || fail "lib$library.so has soname '$soname', not lib$library.so.$soversion"
  [ -e "$prefix/$libdir/$soname" ] || fail "$soname is not installed"
done
# Without the build tree's rpath: the installed tool must find the installed libraries itself.
"$prefix/bin/hlvpres" --help >/dev/null || fail "the installed hlvpres does not run"

build_consumer() {  # build_consumer NAME CMAKE-ARGS...
  local dir="$work/$1"
  shift
  cmake -S "$consumer_dir" -B "$dir" -G "$generator" -DCMAKE_CXX_COMPILER="$compiler" \
        ${launcher:+-DCMAKE_CXX_COMPILER_LAUNCHER="$launcher"} -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF "$@" >/dev/null
  cmake --build "$dir" >/dev/null || { cmake --build "$dir"; fail "the consumer ($1) does not build"; }
  local needed
  needed="$(dynamic_entry "$dir/hlvconsumer" NEEDED)"
  for library in hlvhost hlvpreslayerdata hlvservices; do
    grep -qx "lib$library.so.$soversion" <<<"$needed" || fail "the consumer ($1) does not need lib$library.so.$soversion"
  done
  "$dir/hlvconsumer" || fail "the consumer ($1) failed"
}

build_consumer find-package -DCMAKE_PREFIX_PATH="$prefix"
PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig" build_consumer pkg-config -DUSE_PKG_CONFIG=ON
echo "installed, and the consumer built both ways"
