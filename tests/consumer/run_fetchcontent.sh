#!/usr/bin/env bash
# Configures tests/consumer/fetchcontent, which takes the library's sources with FetchContent,
# and runs the generator step of the embedded library. Building the whole library again would
# take minutes, so the check stops there: the targets, their aliases and the generated files
# are in place for a consumer.
#
#   run_fetchcontent.sh SOURCE-DIR CONSUMER-SOURCE-DIR GENERATOR CXX-COMPILER
set -euo pipefail

source_dir="$1" consumer_dir="$2" generator="$3" compiler="$4"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

cmake -S "$consumer_dir/fetchcontent" -B "$work" -G "$generator" -DCMAKE_CXX_COMPILER="$compiler" \
      -DHLV_SOURCE_DIR="$source_dir" >"$work.log" 2>&1 || { cat "$work.log"; fail "the consumer does not configure"; }
rm -f "$work.log"
cmake --build "$work" --target hlv_generate >/dev/null || fail "the embedded library's generator step fails"
generated="$(find "$work" -path '*/generated/presentation-model/*.h' -print -quit)"
[ -n "$generated" ] || fail "the generator wrote no headers"
[ ! -e "$work/_deps/hlvpreslayerdata-build/tests" ] || fail "an embedded library builds its tests"
echo "configured with FetchContent, and the generator ran"
