// The columns of an export, one for each field of the record in record order,
// and the cells that a field's values become. Export writes its cells from
// here and import reads them back through the same tables, so one place knows
// each column's name, kind and texts.
#pragma once

#include "records/ClientFields.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct Column {
    const FieldInfo* field;
    std::string_view name;
    // For a field of one byte (a count, a yes/no answer, a choice): the cell of
    // each of its 256 values, as CSV writes it: an option's text, the number
    // for a value that names no option, or empty when it is not answered.
    // Empty for the other kinds.
    std::vector<std::string> byteCells;
    // The same values in JSON: an option's text as a string, a number, or null.
    std::vector<std::string> jsonCells;
    // For a bit set: the texts of its items, by item number.
    std::vector<std::string_view> items;
};

// Every field's column, in record order.
const std::vector<Column>& exportColumns();

// A text cell that a spreadsheet would take for a formula: one that starts,
// after any apostrophes of its own, with "=", "+", "-" or "@". Export puts an
// apostrophe before such a text and import takes it off again; counting the
// text's own apostrophes keeps the two exact inverses ("'=1" is written
// "''=1").
inline bool needsGuard(std::string_view text) {
    std::size_t first = 0;
    while (first < text.size() && text[first] == '\'')
        ++first;
    if (first == text.size()) return false;
    const char sign = text[first];
    return sign == '=' || sign == '+' || sign == '-' || sign == '@';
}
