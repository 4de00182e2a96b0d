#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into fuzz/corpus/<target>/.

The seeds are committed; run this again only to change them. Each is small: a
handful of well-formed and damaged client files, records and texts that reach
the interesting paths at once instead of leaving the fuzzer to find them.
"""
import pathlib
import shutil
import struct
import sys
import zlib

ROOT = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "support"))
from record_layout import FIELDS, RECORD_SIZE, of_kind  # noqa: E402

CORPUS = ROOT / "fuzz" / "corpus"

# The fields the form stores from a text box (texts, dates, counts and the
# weight), in record order: fuzz_field picks one by the first byte of its input.
TEXT_BOXES = of_kind("text", "otherText", "date", "u8", "i16")


def put(record, name, value):
    offset, size = FIELDS[name].offset, FIELDS[name].size
    if isinstance(value, int):
        value = value.to_bytes(size, "little", signed=value < 0)
    assert len(value) <= size
    record[offset:offset + len(value)] = value


def put_text(record, name, value):
    """A zero-terminated text as the record holds it."""
    assert len(value) < FIELDS[name].size
    put(record, name, value + b"\0")


def text_box(name):
    """The first byte of a fuzz_field input that picks this field."""
    return bytes([TEXT_BOXES.index(name)])


def sample_record():
    record = bytearray(RECORD_SIZE)
    put_text(record, "name", b"Ada Lovelace")
    put(record, "intakeDate", 20231225)
    put_text(record, "city", b"San Jos\xe9")
    put_text(record, "state", b"CA")
    put_text(record, "occupation", b"Mathematician")
    put(record, "age", 36)
    put(record, "birthDate", 18151210)
    put(record, "weight", -32768)
    put_text(record, "prescriptions", b"Laudanum\r\nQuinine \x80 5")
    put(record, "generalConditions", 0x00400011)  # Allergies, Diabetes, Other
    put_text(record, "generalOther", b"Gout")
    put_text(record, "painMedicationHowOften", b"weekly")
    return bytes(record)


def damaged_record():
    """Full fields without terminators and tails after shorter texts."""
    record = bytearray(b"\xff" * RECORD_SIZE)
    put(record, "name", b"Bo\0" + b"tail of an older, longer name")
    put(record, "state", b"CAX")
    return bytes(record)


def client_file(count, body=b"", tag=b"1.01"):
    return tag + struct.pack("<i", count) + body


def client_file_seeds():
    one = sample_record()
    return {
        "empty": b"",
        "tag-only": b"1.01",
        "cut-count": b"1.01\x01\x00",
        "no-clients": client_file(0),
        "no-clients-old-tail": client_file(0, one[:120]),
        "one-client": client_file(1, one),
        "cut-record": client_file(1, one[:300]),
        "two-clients-one-cut": client_file(2, one[:200]),
        "other-tag": client_file(1, one[:64], tag=b"\0\0\0\0"),
        "count-minus-one": client_file(-1, one[:40]),
        "count-too-large": client_file(1000001),
        "count-two-billion": client_file(2000000000, one[:40]),
    }


def record_seeds():
    return {
        "empty-client": bytes(RECORD_SIZE),
        "sample-client": sample_record() + b"Grace Hopper",
        "damaged-client": damaged_record() + b"a text longer than most of the fields",
        "text-with-nul": sample_record() + b"Mary\0Shelley",
    }


def field_seeds():
    return {
        "name-long": text_box("name") + b"Ada Augusta King, Countess of Lovelace",
        "state": text_box("state") + b"CAX",
        "date-short-year": text_box("intakeDate") + b"12/25/23",
        "date-long-year": text_box("birthDate") + b"12-25-1999",
        "date-unchecked": text_box("birthDate") + b"13-45-2020",
        "age-wraps": text_box("age") + b"300",
        "age-half": text_box("age") + b"2.5",
        "weight-too-large": text_box("weight") + b"40000",
        "weight-negative": text_box("weight") + b"  -12 lb",
        "lines": text_box("prescriptions") + b"Aspirin\r\nIbuprofen\r\n\x93quoted\x94",
    }


def number_seeds():
    start1, start3 = b"\x01", b"\x03"
    return {
        "leading-blanks": start1 + b"  42kg",
        "exponent": start1 + b"1.5E2",
        "exponent-d": start1 + b"-2.5d-3",
        "huge": start1 + b"1e9999",
        "tiny": start1 + b"1e-9999",
        "minus-zero": start1 + b"-0",
        "half-even": start1 + b"3.5",
        "hex": start1 + b"&H1F",
        "octal-binary": start3 + b"  &O17 &B101",
        "not-a-number": start1 + b"nan",
        "c-hex": start1 + b"0x1F",
        "lone-minus": start1 + b"-",
        "many-digits": start1 + b"9" * 300 + b".5",
        "rounds-to-2-63": start1 + b"9223372036854775807.5",
        "start-inside": start3 + b"ab\t\r\n-7",
        "start-before": b"\xfe" + b"12",
        "start-beyond": b"\x7f" + b"12",
    }


def date_seeds():
    return {
        "slashes": b"12/25/23",
        "dashes": b"1-2-3",
        "long-year": b"12-25-1999",
        "mixed": b"12/25-2023",
        "separators-only": b"//",
        "one-dash": b"-",
        "overflowing": b"99999999-99-99",
        "two-parts": b"1/2",
        "negative-year": b"12/25/-5",
        "blank": b"   ",
        "exponent": b"1e3/1e2/1e9",
    }


def win1252_seeds():
    return {
        "ascii": b"Ada Lovelace",
        "high-bytes": bytes(range(0x80, 0xA0)),
        "latin": "Zoë Ångström".encode("cp1252"),
        "utf16-mixed": "Zoë €5 — 中文 😀".encode("utf-16-le"),
        "utf16-lone-surrogates": b"\x00\xd8A\x00\x00\xdc\x3d\xd8",
    }


def text_piece(start, length, size, delimiters, text):
    return bytes([start & 0xFF, length & 0xFF, size, len(delimiters)]) + delimiters + text


def text_pieces_seeds():
    return {
        "date-fields": text_piece(5, 2, 8, b"-/", b"03/07/2024"),
        "empty-field": text_piece(1, 4, 4, b"-/", b"03--2024"),
        "from-end": text_piece(-1, -3, 0, b"", b"20240307"),
        "store-cut": text_piece(-20, 40, 32, b" ", b"a text of forty bytes, longer than 31 b"),
        "blanks": text_piece(2, -1, 6, b"\0", b"  ab\0cd  "),
    }


def journal_header(exists=1, index=7, size=3731):
    """The header of a recovery journal naming a client file; CRC-32 sealed."""
    head = b"VMRJ" + struct.pack("<IIIQQQ", 1, exists, 0x1234ABCD, index, size,
                                 0x01DA0000DEADBEEF)
    return head + struct.pack("<I", zlib.crc32(head))


ADD, EDIT, REMOVE = 1, 2, 3


def journal_entry(kind, *records):
    body = bytes([kind]) + b"".join(records)
    return body + struct.pack("<I", zlib.crc32(body))


def journal_seeds():
    ada, bo = sample_record(), damaged_record()
    added = journal_entry(ADD, ada)
    edited = journal_entry(EDIT, ada, bo)
    damaged = bytearray(added)
    damaged[-1] ^= 0x01
    return {
        "header-only": journal_header(),
        "no-file": journal_header(exists=0) + added,
        "add-edit-remove": journal_header() + added + edited + journal_entry(REMOVE, bo),
        "last-entry-cut": journal_header() + added + edited[:900],
        "damaged-checksum": journal_header() + bytes(damaged) + added,
        "remove-unknown": journal_header() + journal_entry(REMOVE, bo) + added,
        "damaged-header": journal_header()[:40] + b"\0\0\0\0" + added,
    }


def csv_import_seeds():
    """CSVs as export writes them, as a spreadsheet saves them again (with
    semicolons and day-first dates too), with fewer columns and with values
    that do not fit."""
    values = {"name": '"O\'Brien, Ann"', "intakeDate": "2023-05-16", "city": "Fresno",
              "male": "Male", "age": "67", "birthDate": "19570101", "weight": "-5",
              "referral": "Friend", "hadColonic": "Yes", "removedOrgans": "tonsils; appendix",
              "prescriptions": '"daily ""as needed""\r\nzinc, 2x"', "occupation": "'=1",
              "mercuryFillings": "Never", "cycle": "Pre-Meno", "cancer": "Colon; Lung"}
    header = ",".join(FIELDS)
    row = ",".join(values.get(name, "") for name in FIELDS)
    exported = ("\ufeff" + header + "\r\n" + row + "\r\n").encode("utf-8")
    resaved = (header + "\n" + row.replace("\r\n", "\n").replace("O'Brien", "L\xe9a")
               + "\n").encode("cp1252")
    european = dict(values, name="L\xe9a, Ann", intakeDate="16.5.2023", birthDate="12/31/1957",
                    removedOrgans='"tonsils; appendix"', cancer='"Colon; Lung"')
    semicolons = (";".join(FIELDS) + "\r\n" + ";".join(european.get(name, "") for name in FIELDS)
                  + "\r\n").encode("cp1252")
    return {
        "exported": exported,
        "resaved": resaved,
        "semicolons": semicolons,
        "few-columns": b'city,name\nFresno,Ann\n,"Bob, Jr"\n\n',
        "errors": b"name,age,weight,cancer\nA,256,x,Gout\n,1,2,\n\"open\n",
    }


def lock_line_seeds():
    """The lock file's line: as a holder writes it, cut, and damaged."""
    sound = b"DESK-2\tmaria\t2024-03-05 09:07:05\r\n"
    return {
        "sound": sound,
        "sound-then-more": sound + b"DESK-3\tjo\t2024-03-06 10:00:00\r\n",
        "cut": sound[:20],
        "no-leap-day": b"DESK-2\tmaria\t2023-02-29 09:07:05\r\n",
        "one-field": b"DESK-2\r\n",
    }


def main():
    seeds = {
        "fuzz_client_file": client_file_seeds(),
        "fuzz_record": record_seeds(),
        "fuzz_field": field_seeds(),
        "fuzz_number": number_seeds(),
        "fuzz_date": date_seeds(),
        "fuzz_win1252": win1252_seeds(),
        "fuzz_text_pieces": text_pieces_seeds(),
        "fuzz_journal": journal_seeds(),
        "fuzz_csv_import": csv_import_seeds(),
        "fuzz_lock_line": lock_line_seeds(),
    }
    for target, files in seeds.items():
        folder = CORPUS / target
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        for name, content in files.items():
            (folder / name).write_bytes(content)


if __name__ == "__main__":
    main()
