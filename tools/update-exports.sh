#!/bin/sh
# Rewrites tests/abi/*.symbols from the libraries of a plain build, after an intended change of
# the exported API:  tools/update-exports.sh [BUILD-DIRECTORY]   (build/ by default)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
exec python3 "$root/tests/abi/check_exports.py" --update \
  "$build/host/libhlvhost.so" "$root/tests/abi/libhlvhost.symbols" \
  "$build/libhlvpreslayerdata.so" "$root/tests/abi/libhlvpreslayerdata.symbols" \
  "$build/services/libhlvservices.so" "$root/tests/abi/libhlvservices.symbols"
