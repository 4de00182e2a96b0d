#!/bin/sh
# Runs a Windows test program in the 64-bit Wine prefix that scripts/test
# prepares (scripts/wine-env's start_wine64), where a 32-bit program runs
# through WoW64 as on 64-bit Windows, on that prefix's own display. Without
# that prefix (ctest run by hand) the test is skipped.
# Usage: run_wow64.sh PROGRAM [ARGUMENT...]
if [ -z "${VELLUMOR_WINEPREFIX64:-}" ]; then
  echo "no 64-bit Wine prefix: scripts/test prepares one"
  exit 77
fi
if [ "${VELLUMOR_ONLY_64BIT:-0}" = 1 ]; then
  echo "this machine runs no 32-bit code, so no 32-bit program runs through WoW64"
  exit 77
fi
export VELLUMOR_WOW64=1 WINEPREFIX="$VELLUMOR_WINEPREFIX64" WINEARCH=win64
export DISPLAY="${VELLUMOR_DISPLAY64:-${DISPLAY:-}}"
exec wine "$@"
