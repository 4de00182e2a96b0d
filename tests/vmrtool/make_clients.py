#!/usr/bin/env python3
"""Writes a client file of COUNT made-up clients with answers of every kind:
names with commas and accents, multi-line answers with CR LF and quotes,
dates, counts, choices and ticks. The same COUNT always gives the same file.

Usage: make_clients.py COUNT OUTPUT
"""
import random
import struct
import sys

RECORD = 1241
# (offset, size) of the fields filled here.
NAME, INTAKE, CITY, STATE, OCCUPATION = (0, 32), (32, 4), (36, 24), (60, 3), (63, 24)
MALE, AGE, BIRTH, WEIGHT, HEIGHT = 87, 88, (89, 4), (93, 2), 95
REASON, REFERRAL = (107, 48), 155
LONG_TEXTS = [(156, 180), (336, 180), (516, 180), (953, 180)]
FLAGS = [105, 721, 786, 851, 852, 853, 878, 879, 900, 901, 902, 903]
COUNTS = [104, 106, 870, 871, 872, 873, 874, 875, 876, 877, 880, 881, 899, 952, 1222]
BIT_SETS = [(696, 4), (1133, 23), (1161, 6), (1162, 6), (1163, 19), (1167, 10), (1193, 10),
            (1219, 7), (1220, 7), (1221, 6), (1224, 3)]
MERCURY, CYCLE = 898, 1223

SURNAMES = ["Adams", "Baker", "M\xfcller", "O'Brien", "Garc\xeda", "Nguyen", "Smith", "Zhou",
            "=Jones", "Lef\xe8vre", "Kowalski", "Brown"]
GIVEN = ["Ann", "Bob", "Chlo\xe9", "Dave", "Eve", "Fran\xe7ois", "Gus", "Hana", "Ian"]
CITIES = ["Los Angeles", "San Jos\xe9", "Fresno", "Oakland", "San Diego", "Eureka"]
WORDS = ["aspirin", "daily", "\"as needed\"", "2x", "vitamin D", "\u20ac" "20", "fish oil,",
         "magnesium", "probiotic", "@night", "-", "ibuprofen", "zinc"]


def put_text(record, field, text):
    offset, size = field
    data = text.encode("cp1252")[: size - 1]
    record[offset : offset + len(data)] = data


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
    record = bytearray(RECORD)
    put_text(record, NAME, f"{rng.choice(SURNAMES)}, {rng.choice(GIVEN)}")
    record[INTAKE[0] : INTAKE[0] + 4] = struct.pack("<i", 20230000 + rng.randint(1, 12) * 100 + rng.randint(1, 28))
    put_text(record, CITY, rng.choice(CITIES))
    put_text(record, STATE, "CA")
    put_text(record, OCCUPATION, rng.choice(["teacher", "nurse", "driver", "", "chef, sous"]))
    record[MALE] = rng.randint(0, 1)
    record[AGE] = rng.randint(18, 90)
    record[BIRTH[0] : BIRTH[0] + 4] = struct.pack("<i", rng.randint(1930, 2005) * 10000 + 101)
    record[WEIGHT[0] : WEIGHT[0] + 2] = struct.pack("<h", rng.randint(90, 300))
    record[HEIGHT] = rng.randint(55, 80)
    put_text(record, REASON, sentence(rng, 40).replace("\r\n", " "))
    record[REFERRAL] = rng.randint(0, 8)
    for field in LONG_TEXTS:
        put_text(record, field, sentence(rng, rng.randint(0, 160)))
    for offset in FLAGS:
        record[offset] = rng.randint(0, 1)
    for offset in COUNTS:
        record[offset] = rng.choice([0, 0, rng.randint(1, 40)])
    for offset, items in BIT_SETS:
        bits = rng.getrandbits(items) & rng.getrandbits(items)
        record[offset : offset + (items + 7) // 8] = bits.to_bytes((items + 7) // 8, "little")
    record[MERCURY] = rng.randint(0, 2)
    record[CYCLE] = rng.randint(0, 4)
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
