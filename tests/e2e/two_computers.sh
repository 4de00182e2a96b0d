#!/bin/sh
# Two computers on one shared folder: the test program two_computers runs twice
# at once, as the holder in the tests' Wine prefix and as the second computer
# in the other prefix that scripts/test prepares (VELLUMOR_WINEPREFIX64, on a
# display of its own); each prefix has a wineserver of its own, and the two see
# each other's byte-range locks on the folder as two computers do through a
# shared folder. Without the second prefix (ctest run by hand) the test is
# skipped.
# Usage: two_computers.sh PROGRAM
if [ -z "${VELLUMOR_WINEPREFIX64:-}" ]; then
  echo "no second Wine prefix: scripts/test prepares one"
  exit 77
fi
shared=$(mktemp -d "${TMPDIR:-/tmp}/vellumor-two-computers-XXXXXX")
trap 'rm -rf "$shared"' EXIT
mkdir "$shared/program" "$shared/signals"
# Both prefixes reach the folder through their drive Z:, the root.
VELLUMOR_SHARED="Z:$(printf '%s/' "$shared" | tr / '\\')"
export VELLUMOR_SHARED
VELLUMOR_ROLE=holder wine "$1" >"$shared/holder.log" 2>&1 &
holder=$!
echo "--- the second computer, in the other prefix:"
VELLUMOR_ROLE=second WINEPREFIX="$VELLUMOR_WINEPREFIX64" WINEARCH=win64 \
  DISPLAY="${VELLUMOR_DISPLAY64:-${DISPLAY:-}}" wine "$1"
second=$?
wait "$holder"
held=$?
echo "--- the holder, in the tests' prefix:"
cat "$shared/holder.log"
[ "$held" -eq 0 ] && [ "$second" -eq 0 ]
