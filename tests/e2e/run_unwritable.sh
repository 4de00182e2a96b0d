#!/bin/sh
# Runs the end-to-end test of a first start in a folder that takes no new
# file. Wine does not check a folder's permissions, so the folder, with a copy
# of the shipped vellumor.exe, gets Linux's immutable attribute instead (root
# may set it on most local file systems); where that is not possible, the test
# is skipped. Wine's drive Z: is the Linux root.
# Usage: run_unwritable.sh WINE TEST_PROGRAM VELLUMOR_EXE
wine=$1
tests=$2
exe=$3
folder=$(mktemp -d "${TMPDIR:-/tmp}/vellumor-unwritable-XXXXXX") || exit 1
cp "$exe" "$folder/vellumor.exe"
if ! chattr +i "$folder" 2>/dev/null; then
  rm -rf "$folder"
  echo "the immutable attribute cannot be set here"
  exit 77
fi
VELLUMOR_UNWRITABLE_FOLDER="Z:$(printf '%s/' "$folder" | tr / '\\')" \
  "$wine" "$tests" --gtest_filter=FileSystem.FolderThatTakesNoNewFile*
status=$?
chattr -i "$folder"
rm -rf "$folder"
exit $status
