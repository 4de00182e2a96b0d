#!/bin/sh
# Two computers on one shared folder: the test program two_computers runs twice
# at once, as the holder in the tests' 32-bit Wine prefix and as the second
# computer in the 64-bit prefix that scripts/test prepares; each prefix has a
# wineserver of its own, and the two see each other's byte-range locks on the
# folder as two computers do through a shared folder. Without the 64-bit prefix
# (ctest run by hand) the test is skipped.
# Usage: two_computers.sh PROGRAM
if [ -z "${VELLUMOR_WINEPREFIX64:-}" ]; then
  echo "no 64-bit Wine prefix: scripts/test prepares one"
  exit 77
fi
here=$(cd "$(dirname "$0")" && pwd)
shared=$(mktemp -d "${TMPDIR:-/tmp}/vellumor-two-computers-XXXXXX")
trap 'rm -rf "$shared"' EXIT
mkdir "$shared/program" "$shared/signals"
# Both prefixes reach the folder through their drive Z:, the root.
VELLUMOR_SHARED="Z:$(printf '%s/' "$shared" | tr / '\\')"
export VELLUMOR_SHARED
VELLUMOR_ROLE=holder wine "$1" >"$shared/holder.log" 2>&1 &
holder=$!
echo "--- the second computer, in the 64-bit prefix:"
VELLUMOR_ROLE=second sh "$here/run_wow64.sh" "$1"
second=$?
wait "$holder"
held=$?
echo "--- the holder, in the 32-bit prefix:"
cat "$shared/holder.log"
[ "$held" -eq 0 ] && [ "$second" -eq 0 ]
