#!/usr/bin/env python3
"""Reads a vmrtool CSV export and JSON export back with Python's own csv and
json modules and compares every field of every client with what it should be.

Usage: read_export.py EXPECTED CSV JSON

EXPECTED has one line per field: the client's row (from 0), the field's name,
the CSV cell and the JSON value as JSON text, the last two hex-encoded UTF-8,
tab-separated. Prints each difference and exits 1 when there is any.
"""
import csv
import io
import json
import sys


def read_expected(path):
    order, rows = [], []
    with open(path, encoding="ascii") as lines:
        for line in lines:
            row, name, cell, value = line.rstrip("\n").split("\t")
            row = int(row)
            while len(rows) <= row:
                rows.append({})
            text = bytes.fromhex(value).decode("utf-8")
            rows[row][name] = (bytes.fromhex(cell).decode("utf-8"), json.loads(text))
            if row == 0:
                order.append(name)
    return order, rows


def same(a, b):
    # 1 and True, or 1 and 1.0, are different answers here.
    return type(a) is type(b) and a == b


def line_ends_are_crlf(raw):
    """Outside quoted cells every line break is CR LF; inside, anything goes."""
    quoted = False
    for k, byte in enumerate(raw):
        if byte == ord('"'):
            quoted = not quoted
        elif not quoted and byte == ord("\r") and raw[k + 1 : k + 2] != b"\n":
            return False
        elif not quoted and byte == ord("\n") and raw[k - 1 : k] != b"\r":
            return False
    return raw.endswith(b"\r\n")


def check_csv(path, order, rows, problems):
    with open(path, "rb") as file:
        raw = file.read()
    if not raw.startswith(b"\xef\xbb\xbf"):
        problems.append("CSV: no UTF-8 byte-order mark")
    if not line_ends_are_crlf(raw):
        problems.append("CSV: a row that does not end in CR LF")
    table = list(csv.reader(io.StringIO(raw.decode("utf-8-sig"), newline=""), strict=True))
    # Written again with quotes only where needed, the rows give the same bytes.
    again = io.StringIO(newline="")
    csv.writer(again, lineterminator="\r\n").writerows(table)
    if again.getvalue().encode("utf-8") != raw[3:]:
        problems.append("CSV: cells quoted other than where needed")
    if not table or table[0] != order:
        problems.append(f"CSV header: got {table[0] if table else None}")
        return
    if len(table) - 1 != len(rows):
        problems.append(f"CSV: {len(table) - 1} clients, expected {len(rows)}")
    for number, (cells, want) in enumerate(zip(table[1:], rows)):
        if len(cells) != len(order):
            problems.append(f"CSV row {number}: {len(cells)} cells, expected {len(order)}")
        for name, cell in zip(order, cells):
            if cell != want[name][0]:
                problems.append(f"CSV row {number} {name}: got {cell!r}, expected {want[name][0]!r}")


def check_json(path, order, rows, problems):
    with open(path, encoding="utf-8") as file:
        clients = json.load(file)
    if not isinstance(clients, list) or len(clients) != len(rows):
        problems.append(f"JSON: not a list of {len(rows)} clients")
        return
    for number, (client, want) in enumerate(zip(clients, rows)):
        if list(client) != order:
            problems.append(f"JSON client {number}: keys {list(client)}")
            continue
        for name in order:
            if not same(client[name], want[name][1]):
                problems.append(
                    f"JSON client {number} {name}: got {client[name]!r}, expected {want[name][1]!r}")


def main():
    expected, csv_path, json_path = sys.argv[1:4]
    order, rows = read_expected(expected)
    problems = []
    check_csv(csv_path, order, rows, problems)
    check_json(json_path, order, rows, problems)
    for problem in problems:
        print(problem)
    print(f"{len(rows)} clients, {len(order)} fields, {len(problems)} differences")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
