"""The client record's layout for the scripts that write client files and fuzz
seeds, read from the rows of the tests' statement of it (RecordLayout.h beside
this file), so that the offsets are written down once for every test.

FIELDS maps a field's name to its Field, in record order; RECORD_SIZE is where
the last field ends.
"""
import collections
import pathlib
import re

Field = collections.namedtuple("Field", "offset size kind items")

_ROW = re.compile(r"LAYOUT_ROW\(\s*(\w+),\s*(\d+),\s*(\d+),\s*(\w+),\s*(\d+)\s*\)")
_ROWS = _ROW.findall((pathlib.Path(__file__).parent / "RecordLayout.h").read_text())

FIELDS = {name: Field(int(offset), int(size), kind, int(items))
          for name, offset, size, kind, items in _ROWS}
RECORD_SIZE = max(field.offset + field.size for field in FIELDS.values())


def of_kind(*kinds):
    """The names of the fields of these kinds, in record order."""
    return [name for name, field in FIELDS.items() if field.kind in kinds]
