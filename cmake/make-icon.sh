#!/usr/bin/env bash
# Makes a Windows icon file from a drawing in ImageMagick's vector format
# (MVG): one picture for each size from 16 to 256 pixels. The pictures are
# stored as PNG, which Windows Vista and later read at every size, so the icon
# adds about 11 KB to the program, where bitmaps for the small sizes would take
# 24 KB; and they carry no time stamp, so the same drawing always gives the
# same file.
# Usage: make-icon.sh DRAWING ICON
set -euo pipefail
drawing=$1
icon=$2
sizes=(16 24 32 48 256)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

byte() { printf "\\$(printf %03o $(($1 & 255)))"; }
le16() { byte "$1" && byte $(($1 >> 8)); }
le32() { le16 $(($1 & 65535)) && le16 $(($1 >> 16)); }

for size in "${sizes[@]}"; do
  convert -background none "mvg:$drawing" -resize "${size}x$size" -strip \
    "png32:$work/$size.png"
done

# The icon file: its header, one directory entry a picture (width and height
# 0 stand for 256), then the pictures.
{
  le16 0 && le16 1 && le16 ${#sizes[@]}
  offset=$((6 + 16 * ${#sizes[@]}))
  for size in "${sizes[@]}"; do
    length=$(stat -c %s "$work/$size.png")
    byte "$size" && byte "$size" && byte 0 && byte 0
    le16 1 && le16 32 && le32 "$length" && le32 "$offset"
    offset=$((offset + length))
  done
  for size in "${sizes[@]}"; do
    cat "$work/$size.png"
  done
} >"$work/icon.ico"
mv "$work/icon.ico" "$icon"
