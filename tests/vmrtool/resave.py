#!/usr/bin/env python3
"""Saves a vmrtool CSV export again as a spreadsheet program set up for
another country does, with Python's own csv module: another separator, the
dates in its short style, another encoding and line end.

Usage: resave.py EXPORT OUTPUT STYLE, STYLE one of
  us        commas, M/D/YYYY, UTF-8 with a byte-order mark, CR LF
  european  semicolons, D.M.YYYY, Windows-1252, CR LF
  tabs      tabs, every cell quoted, DD/MM/YYYY (read with --day-first),
            UTF-8, LF
"""
import csv
import io
import re
import sys

STYLES = {
    "us": (",", csv.QUOTE_MINIMAL, "{m}/{d}/{y:04}", "utf-8-sig", "\r\n"),
    "european": (";", csv.QUOTE_MINIMAL, "{d}.{m}.{y:04}", "cp1252", "\r\n"),
    "tabs": ("\t", csv.QUOTE_ALL, "{d:02}/{m:02}/{y:04}", "utf-8", "\n"),
}

source, target, style = sys.argv[1:4]
separator, quoting, date, encoding, line_end = STYLES[style]
with open(source, encoding="utf-8-sig", newline="") as file:
    rows = list(csv.reader(file))
dates = [k for k, name in enumerate(rows[0]) if name.endswith("Date")]
for row in rows[1:]:
    for k in dates:  # a number, for a date that is no calendar day, stays
        if re.fullmatch(r"\d{4}-\d\d-\d\d", row[k]):
            y, m, d = (int(part) for part in row[k].split("-"))
            row[k] = date.format(y=y, m=m, d=d)
text = io.StringIO(newline="")
csv.writer(text, delimiter=separator, quoting=quoting, lineterminator=line_end).writerows(rows)
with open(target, "wb") as file:
    file.write(text.getvalue().encode(encoding))
