#!/usr/bin/env python3
"""Writes a client file of COUNT made-up clients with answers of every kind:
names with commas and accents, multi-line answers with CR LF and quotes,
dates, counts, choices and ticks. The same COUNT always gives the same file.

Usage: make_clients.py COUNT OUTPUT
"""
import pathlib
import random
import struct
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "support"))
from record_layout import FIELDS, RECORD_SIZE, of_kind  # noqa: E402

# The multi-line answers; the flags and counts the loops below fill are every
# yes/no flag and every count but those given values of their own.
LONG_TEXTS = ["prescriptions", "otcMedications", "supplements", "elaboration"]
FLAGS = [name for name in of_kind("yesNo") if name != "male"]
COUNTS = [name for name in of_kind("u8") if name not in ("age", "heightIn")]

SURNAMES = ["Adams", "Baker", "M\xfcller", "O'Brien", "Garc\xeda", "Nguyen", "Smith", "Zhou",
            "=Jones", "Lef\xe8vre", "Kowalski", "Brown"]
GIVEN = ["Ann", "Bob", "Chlo\xe9", "Dave", "Eve", "Fran\xe7ois", "Gus", "Hana", "Ian"]
CITIES = ["Los Angeles", "San Jos\xe9", "Fresno", "Oakland", "San Diego", "Eureka"]
WORDS = ["aspirin", "daily", "\"as needed\"", "2x", "vitamin D", "\u20ac" "20", "fish oil,",
         "magnesium", "probiotic", "@night", "-", "ibuprofen", "zinc"]


def put_text(record, name, text):
    offset, size = FIELDS[name].offset, FIELDS[name].size
    data = text.encode("cp1252")[: size - 1]
    record[offset : offset + len(data)] = data


def put_number(record, name, value):
    offset, size = FIELDS[name].offset, FIELDS[name].size
    record[offset : offset + size] = value.to_bytes(size, "little", signed=True)


def sentence(rng, limit):
    words, lines = [], []
    while len(" ".join(words)) < limit and rng.random() < 0.9:
        words.append(rng.choice(WORDS))
        if rng.random() < 0.15:
            lines.append(" ".join(words))
            words = []
    lines.append(" ".join(words))
    return "\r\n".join(line for line in lines if line)


def client(rng):
    record = bytearray(RECORD_SIZE)
    put_text(record, "name", f"{rng.choice(SURNAMES)}, {rng.choice(GIVEN)}")
    put_number(record, "intakeDate", 20230000 + rng.randint(1, 12) * 100 + rng.randint(1, 28))
    put_text(record, "city", rng.choice(CITIES))
    put_text(record, "state", "CA")
    put_text(record, "occupation", rng.choice(["teacher", "nurse", "driver", "", "chef, sous"]))
    put_number(record, "male", rng.randint(0, 1))
    put_number(record, "age", rng.randint(18, 90))
    put_number(record, "birthDate", rng.randint(1930, 2005) * 10000 + 101)
    put_number(record, "weight", rng.randint(90, 300))
    put_number(record, "heightIn", rng.randint(55, 80))
    put_text(record, "cleanseReason", sentence(rng, 40).replace("\r\n", " "))
    put_number(record, "referral", rng.randint(0, 8))
    for name in LONG_TEXTS:
        put_text(record, name, sentence(rng, rng.randint(0, 160)))
    for name in FLAGS:
        put_number(record, name, rng.randint(0, 1))
    for name in COUNTS:
        put_number(record, name, rng.choice([0, 0, rng.randint(1, 40)]))
    for name in of_kind("bitSet"):
        items = FIELDS[name].items
        put_number(record, name, rng.getrandbits(items) & rng.getrandbits(items))
    put_number(record, "mercuryFillings", rng.randint(0, 2))
    put_number(record, "cycle", rng.randint(0, 4))
    return record


def main():
    count, path = int(sys.argv[1]), sys.argv[2]
    rng = random.Random(count)
    with open(path, "wb") as file:
        file.write(b"1.01" + struct.pack("<i", count))
        for _ in range(count):
            file.write(client(rng))


if __name__ == "__main__":
    main()
