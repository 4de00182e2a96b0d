// vmrtool import: a client file from a CSV as export writes it, or as a
// spreadsheet program saves it again after editing. Each cell is read through
// export's columns, as the exact inverse of export; a value that does not fit
// its field is an error, never a silent change, and a CSV with errors writes
// nothing.
#include "vmrtool/Columns.h"
#include "vmrtool/EightBytes.h"
#include "vmrtool/Held.h"
#include "vmrtool/Parallel.h"
#include "vmrtool/VmrTool.h"

#include "records/ClientCodec.h"
#include "records/LittleEndian.h"
#include "toolkit/text/Text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <deque>
#include <new>
#include <unordered_map>

namespace {

// The most errors (and, with --lenient, changes) listed one by one.
constexpr std::size_t mostListed = 100;

constexpr char32_t notUtf8 = 0xFFFFFFFF;

// The character that starts at `k` in UTF-8 text, `k` moved past it; notUtf8
// for a byte that starts no well-formed character (an overlong form, a
// surrogate, beyond U+10FFFF, cut short).
char32_t nextCharacter(std::string_view text, std::size_t& k) {
    const auto first = static_cast<unsigned char>(text[k++]);
    if (first < 0x80) return first;
    const std::size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 0;
    if (length == 0 || first > 0xF4 || text.size() - k < length - 1) return notUtf8;
    char32_t c = first & (0x7Fu >> length);
    for (std::size_t n = 0; n + 1 < length; ++n) {
        const auto next = static_cast<unsigned char>(text[k + n]);
        if ((next & 0xC0) != 0x80) return notUtf8;
        c = c << 6 | (next & 0x3Fu);
    }
    constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < least[length] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return notUtf8;
    k += length - 1;
    return c;
}

// The Windows-1252 byte of every character it has but NUL, from the
// program's own table.
const std::unordered_map<char32_t, char> win1252Bytes = [] {
    std::unordered_map<char32_t, char> bytes;
    for (int byte = 1; byte < 0x100; ++byte) {
        const char c = static_cast<char>(byte);
        bytes.emplace(win1252ToUtf16(std::string_view(&c, 1))[0], c);
    }
    return bytes;
}();

// Whether the whole text is well-formed UTF-8. Runs of ASCII, most of a CSV,
// are passed eight bytes at a time.
bool isUtf8(std::string_view text) {
    std::size_t k = 0;
    while (k < text.size()) {
        if (text.size() - k >= 8 && (eightAt(text.data() + k) & highBits) == 0)
            k += 8;
        else if (nextCharacter(text, k) == notUtf8)
            return false;
    }
    return true;
}

// Eight bytes of text that go into the record as they are: none beyond ASCII,
// no LF, no NUL. Most text is such runs.
bool plainEight(const char* bytes) {
    const std::uint64_t eight = eightAt(bytes);
    return (bytesBelow(eight, 1) | bytesEqual(eight, '\n')) == 0;
}

// The place of the first `a` or `b` from `at` on, or the end of the text.
std::size_t firstOf(std::string_view text, std::size_t at, char a, char b) {
    for (; text.size() - at >= 8; at += 8) {
        const std::uint64_t eight = eightAt(text.data() + at);
        if (const std::uint64_t stops = bytesEqual(eight, a) | bytesEqual(eight, b))
            return at + firstMarked(stops);
    }
    while (at < text.size() && text[at] != a && text[at] != b)
        ++at;
    return at;
}

// A text cell as the record holds it, in Windows-1252, put in `buffer`: an LF
// that follows no CR becomes CR LF, as the program's multi-line boxes hold a
// line break, and a character outside Windows-1252, or a NUL, which would end
// the text, becomes "?" as the program makes it. `unknown` counts the
// characters that became "?"; `invalid` is set when UTF-8 text is not
// well-formed.
std::string_view recordText(std::string_view cell, bool utf8, std::string& buffer,
                            std::size_t& unknown, bool& invalid) {
    if (buffer.size() < 2 * cell.size()) buffer.resize(2 * cell.size()); // each as CR LF
    char* const start = buffer.data();
    char* out = start;
    unknown = 0;
    for (std::size_t k = 0; k < cell.size();) {
        if (cell.size() - k >= 8 && plainEight(cell.data() + k)) {
            std::memcpy(out, cell.data() + k, 8);
            out += 8;
            k += 8;
            continue;
        }
        char byte = cell[k];
        if (utf8 && static_cast<unsigned char>(byte) >= 0x80) {
            const char32_t character = nextCharacter(cell, k);
            invalid |= character == notUtf8;
            const auto found = win1252Bytes.find(character);
            byte = found == win1252Bytes.end() ? '\0' : found->second;
        } else {
            ++k;
        }
        if (byte == '\n' && (out == start || out[-1] != '\r')) *out++ = '\r';
        if (byte == '\0') {
            byte = '?';
            ++unknown;
        }
        *out++ = byte;
    }
    return {start, static_cast<std::size_t>(out - start)};
}

// The cell without the apostrophe that export put before a text a
// spreadsheet would take for a formula.
std::string_view unguarded(std::string_view cell) {
    return !cell.empty() && cell[0] == '\'' && needsGuard(cell.substr(1)) ? cell.substr(1) : cell;
}

// The cell without blanks around it, which a number, a date, an option or an
// item name may have.
std::string_view trimmed(std::string_view cell) {
    while (!cell.empty() && (cell.front() == ' ' || cell.front() == '\t'))
        cell.remove_prefix(1);
    while (!cell.empty() && (cell.back() == ' ' || cell.back() == '\t'))
        cell.remove_suffix(1);
    return cell;
}

// A whole number from `least` to `most`: digits after an optional minus.
bool wholeNumber(std::string_view cell, std::int64_t least, std::int64_t most,
                 std::int64_t& value) {
    const char* const end = cell.data() + cell.size();
    const auto [last, error] = std::from_chars(cell.data(), end, value);
    return !cell.empty() && error == std::errc() && last == end && value >= least && value <= most;
}

// Digits and nothing else, as a number.
bool digitsValue(std::string_view text, std::int64_t& value) {
    return text.find_first_not_of("0123456789") == std::string_view::npos &&
           wholeNumber(text, 0, 9999, value);
}

// A date cell: YYYY-MM-DD naming a calendar day or, as export writes a date
// that is no calendar day, its whole number; empty is 0, no date.
bool dateValue(std::string_view cell, std::int32_t& date) {
    std::int64_t value = 0;
    if (cell.size() == 10 && cell[4] == '-' && cell[7] == '-') {
        std::int64_t year = 0, month = 0, day = 0;
        if (!digitsValue(cell.substr(0, 4), year) || !digitsValue(cell.substr(5, 2), month) ||
            !digitsValue(cell.substr(8, 2), day))
            return false;
        date = static_cast<std::int32_t>(year * 10000 + month * 100 + day);
        return isCalendarDate(date);
    }
    if (!cell.empty() && !wholeNumber(cell, INT32_MIN, INT32_MAX, value)) return false;
    date = static_cast<std::int32_t>(value);
    return true;
}

// Texts found by their bytes, each with its value: a text's slot is chosen by
// its size and its first and last bytes or, where another text has it, is one
// of the slots after it; a text is looked for from its slot on, up to an empty
// slot. One look and one comparison find most.
class TextIndex {
  public:
    // The first value added for a text is the one found.
    void add(std::string_view text, int value) {
        std::size_t slot = slotOf(text);
        for (std::size_t tried = 0; entries[slot].value >= 0; slot = (slot + 1) % slotCount)
            if (entries[slot].text == text || ++tried == slotCount) return;
        entries[slot] = {text, value};
    }
    // The value of the text, or -1 when it has none.
    int find(std::string_view text) const {
        std::size_t slot = slotOf(text);
        for (std::size_t tried = 0; tried < slotCount; ++tried, slot = (slot + 1) % slotCount)
            if (entries[slot].value < 0 || entries[slot].text == text) return entries[slot].value;
        return -1;
    }

  private:
    static constexpr std::size_t slotCount = 64; // more than twice the most texts of a field

    static std::size_t slotOf(std::string_view text) {
        if (text.empty()) return 0;
        const auto first = static_cast<unsigned char>(text.front());
        const auto last = static_cast<unsigned char>(text.back());
        return (text.size() * 37 + first * 7 + last) % slotCount;
    }

    struct Entry {
        std::string_view text;
        int value = -1;
    };
    std::array<Entry, slotCount> entries{};
};

// For each column, in the order of exportColumns(), the texts its cells may
// hold besides numbers: the options of a one-byte field, by the value export
// writes them for (the first such value), or the items of a bit set.
const std::vector<TextIndex>& cellTexts() {
    static const std::vector<TextIndex> indexes = [] {
        std::vector<TextIndex> all;
        for (const Column& column : exportColumns()) {
            TextIndex& index = all.emplace_back();
            for (std::size_t value = 0; value < column.byteCells.size(); ++value) {
                const std::string& cell = column.byteCells[value];
                if (cell.find_first_not_of("0123456789") != std::string::npos)
                    index.add(cell, static_cast<int>(value));
            }
            for (std::size_t item = 0; item < column.items.size(); ++item)
                index.add(column.items[item], static_cast<int>(item));
        }
        return all;
    }();
    return indexes;
}

// A one-byte field's cell: the text export writes for a value, or a number
// from 0 to 255; empty is 0.
bool byteValue(const TextIndex& texts, std::string_view cell, std::uint8_t& value) {
    std::int64_t number = 0;
    if (cell.empty() || wholeNumber(cell, 0, 0xFF, number)) {
        value = static_cast<std::uint8_t>(number);
        return true;
    }
    const int found = texts.find(cell);
    value = static_cast<std::uint8_t>(found);
    return found >= 0;
}

// The words after a one-byte field's value that does not fit.
std::string byteProblem(const FieldInfo& field) {
    if (field.kind == FieldKind::u8) return "is not a whole number from 0 to 255";
    std::string options;
    for (int k = 0; k < field.items.count; ++k)
        options += (k ? ", " : "") + std::string(field.items.texts[k]);
    return "is none of " + options + " nor a number from 0 to 255";
}

// A bit set's items are ticked in one word of 32 bits.
constexpr bool bitSetsFitWords() {
    for (const FieldInfo* field : clientFields)
        if (field->kind == FieldKind::bitSet && (field->span.size > 4 || field->items.count > 32))
            return false;
    return true;
}
static_assert(bitSetsFitWords());

// Ticks the items a bit set's cell names, "a; b"; false, with the name, at a
// name that is no item of the field.
bool tickItems(const FieldInfo& field, const TextIndex& items, std::string_view cell,
               ClientRecord& record, std::string_view& unknown) {
    const char* at = cell.data();
    const char* const end = at + cell.size();
    std::uint32_t ticked = 0;
    while (at < end) {
        const char* stop = at;
        while (stop < end && *stop != ';')
            ++stop;
        const std::string_view name = trimmed({at, static_cast<std::size_t>(stop - at)});
        at = stop + (stop < end);
        if (name.empty()) continue;
        const int item = items.find(name);
        if (item < 0) {
            unknown = name;
            return false;
        }
        ticked |= std::uint32_t{1} << item;
    }
    // A record's bit set holds at most 32 items, and this one is still clear.
    writeLittleEndian(reinterpret_cast<std::uint8_t*>(&record) + field.span.offset, field.span.size,
                      ticked);
    return true;
}

// Lines about the CSV, each naming its line and column; the first mostListed
// of them are kept to be shown.
struct Listing {
    std::size_t count = 0;
    std::vector<std::string> lines;

    void add(std::size_t line, std::string_view column, const std::string& text) {
        if (count++ < mostListed)
            lines.push_back("line " + std::to_string(line) +
                            (column.empty() ? "" : ", " + std::string(column)) + ": " + text);
    }
    // Adds another's lines, about later rows, after these.
    void append(const Listing& other) {
        for (const std::string& line : other.lines)
            if (lines.size() < mostListed) lines.push_back(line);
        count += other.count;
    }
};

// The rows of a CSV, one at a time: the cells of a row as views into the text
// or, for a quoted cell that holds a quote (written ""), into a copy of the
// cell with its quotes made single, kept until the next row.
class CsvRows {
  public:
    // Rows from `start` on, the first of them on line `firstLine`.
    CsvRows(std::string_view csv, std::size_t start, std::size_t firstLine = 1)
        : text(csv), at(start), line(firstLine), row(firstLine) {}

    // The next row's cells; false at the end of the text or, with the reason,
    // at a cell that cannot be read.
    bool next(std::vector<std::string_view>& cells, std::string& problem) {
        cells.clear();
        copies = 0;
        if (at >= text.size()) return false;
        row = line;
        for (;;) {
            std::string_view cell;
            if (at < text.size() && text[at] == '"') {
                if (!quotedCell(cell, problem)) return false;
            } else {
                const std::size_t end = firstOf(text, at, ',', '\n');
                cell = text.substr(at, end - at);
                if (!cell.empty() && cell.back() == '\r') cell.remove_suffix(1);
                at = end;
            }
            cells.push_back(cell);
            if (at >= text.size()) return true;
            if (text[at++] == '\n') {
                ++line;
                return true;
            }
        }
    }
    // The line the last row read starts on or, after a problem, the line of
    // the problem; counted from 1.
    std::size_t rowLine() const { return row; }
    // The next byte to read: after a row, the first byte of the next.
    std::size_t position() const { return at; }

  private:
    bool quotedCell(std::string_view& cell, std::string& problem) {
        const std::size_t cellLine = line;
        const std::size_t start = ++at; // after the opening quote
        bool quotes = false;            // the cell holds a quote
        for (;;) {
            const std::size_t stop = firstOf(text, at, '"', '\n');
            if (stop == text.size()) {
                row = cellLine;
                problem = "a quoted cell is not closed";
                return false;
            }
            at = stop + 1;
            if (text[stop] == '\n') {
                ++line;
                continue;
            }
            if (at == text.size() || text[at] != '"') break;
            quotes = true;
            ++at;
        }
        cell = text.substr(start, at - 1 - start);
        if (quotes) cell = singleQuotes(cell);
        if (at + 1 < text.size() && text[at] == '\r' && text[at + 1] == '\n') ++at;
        if (at == text.size() || text[at] == ',' || text[at] == '\n') return true;
        row = line;
        problem = "text after the closing quote of a cell";
        return false;
    }

    // A copy of a quoted cell's text with each "" made ".
    std::string_view singleQuotes(std::string_view cell) {
        if (copies == copied.size()) copied.emplace_back();
        std::string& copy = copied[copies++];
        copy.clear();
        for (std::size_t from = 0; from < cell.size();) {
            const std::size_t quote = std::min(cell.find('"', from), cell.size() - 1);
            copy.append(cell, from, quote + 1 - from);
            from = quote + 2;
        }
        return copy;
    }

    std::string_view text;
    std::size_t at;   // the next byte to read
    std::size_t line; // the line `at` lies on
    std::size_t row;
    std::deque<std::string> copied; // the row's cells that needed a copy; a deque keeps
    std::size_t copies = 0;         // them in place while the row grows
};

// Reads a CSV's clients: its header row, then a record from each row.
class Importer {
  public:
    Importer(bool fromUtf8, bool isLenient) : utf8(fromUtf8), lenient(isLenient) {}

    // The column of each of the header's cells.
    void header(const std::vector<std::string_view>& cells) {
        const std::vector<Column>& all = exportColumns();
        for (const std::string_view cell : cells) {
            const auto named = [cell](const Column& c) { return c.name == cell; };
            const auto found = std::find_if(all.begin(), all.end(), named);
            if (found == all.end())
                errors.add(1, {}, "unknown column " + shown(cell));
            else if (std::find(columns.begin(), columns.end(), &*found) != columns.end())
                errors.add(1, {}, "the column " + shown(cell) + " comes twice");
            columns.push_back(found == all.end() ? nullptr : &*found);
            columnTexts.push_back(
                found == all.end() ? nullptr
                                   : &cellTexts()[static_cast<std::size_t>(found - all.begin())]);
        }
        if (std::find(columns.begin(), columns.end(), &all.front()) == columns.end())
            errors.add(1, {},
                       "no " + std::string(all.front().name) +
                           " column; every client needs a name");
    }

    // Fills an empty record from a row's cells.
    void fill(ClientRecord& client, const std::vector<std::string_view>& cells, std::size_t line) {
        if (cells.size() != columns.size()) {
            errors.add(line, {},
                       std::to_string(cells.size()) + " cells, but the header has " +
                           std::to_string(columns.size()));
            return;
        }
        const std::size_t before = errors.count;
        for (std::size_t k = 0; k < cells.size(); ++k)
            if (std::string problem = store(*columns[k], *columnTexts[k], cells[k], line, client);
                !problem.empty())
                errors.add(line, columns[k]->name, shown(cells[k]) + " " + problem);
        if (errors.count == before && client.name[0] == '\0')
            errors.add(line, exportColumns().front().name, "empty; every client needs a name");
    }

    // An importer for other rows of the same CSV: the same columns, nothing
    // listed yet.
    Importer emptyCopy() const {
        Importer copy = *this;
        copy.errors = {};
        copy.changes = {};
        copy.invalidUtf8 = false;
        return copy;
    }

    // Adds what another importer listed, for the rows after these.
    void append(const Importer& other) {
        errors.append(other.errors);
        changes.append(other.changes);
        invalidUtf8 |= other.invalidUtf8;
    }

    std::string shown(std::string_view cell) const {
        return utf8 ? shownUtf8(cell) : shownText(cell);
    }

    Listing errors;
    Listing changes;          // what --lenient changed
    bool invalidUtf8 = false; // read as UTF-8, a text cell was not well-formed

  private:
    // Stores a cell's value in its field; what is wrong with it, as the words
    // that follow the value, when it does not fit.
    std::string store(const Column& column, const TextIndex& texts, std::string_view cell,
                      std::size_t line, ClientRecord& client) {
        if (cell.empty()) return {}; // the record's zero: no text, no number, no answer
        const FieldKind kind = column.field->kind;
        if (kind == FieldKind::text || kind == FieldKind::otherText)
            return storeText(column, unguarded(cell), line, client);
        const FieldSpan span = column.field->span;
        const std::string_view value = unguarded(trimmed(cell));
        std::int64_t number = 0;
        std::int32_t date = 0;
        std::uint8_t byte = 0;
        std::string_view unknown;
        switch (kind) {
        case FieldKind::date:
            if (!dateValue(value, date))
                return "is neither a calendar day as YYYY-MM-DD nor a whole number";
            writeDate(client, span, date);
            return {};
        case FieldKind::i16:
            if (!value.empty() && !wholeNumber(value, INT16_MIN, INT16_MAX, number))
                return "is not a whole number from -32768 to 32767";
            writeI16(client, span, static_cast<std::int16_t>(number));
            return {};
        case FieldKind::bitSet:
            if (!tickItems(*column.field, texts, value, client, unknown))
                return "names " + shown(unknown) + ", which is none of its items";
            return {};
        default:
            if (!byteValue(texts, value, byte)) return byteProblem(*column.field);
            writeU8(client, span, byte);
            return {};
        }
    }

    std::string storeText(const Column& column, std::string_view cell, std::size_t line,
                          ClientRecord& client) {
        std::size_t unknown = 0;
        const std::string_view text = recordText(cell, utf8, buffer, unknown, invalidUtf8);
        const std::size_t room = column.field->span.size - 1u;
        std::string problem;
        if (unknown > 0) problem = "has " + counted(unknown, "character") + " outside Windows-1252";
        if (text.size() > room)
            problem += (problem.empty() ? "is" : " and is") +
                       std::string(" longer than the field's ") + std::to_string(room) +
                       " characters";
        if (!problem.empty() && !lenient) return problem;
        writeText(client, column.field->span, text);
        if (!problem.empty())
            changes.add(line, column.name,
                        shown(cell) + " " + problem + ": stored as " +
                            shownText(readText(client, column.field->span)));
        return {};
    }

    bool utf8;
    bool lenient;
    std::vector<const Column*> columns;        // the column of each cell of a row
    std::vector<const TextIndex*> columnTexts; // and its texts besides numbers
    std::string buffer;                        // a text cell as the record holds it
};

// The clients of a client file sound enough to add to.
bool readClients(const std::string& path, std::vector<ClientRecord>& records, std::string& error) {
    ClientFileReader reader;
    if (!reader.open(path, error)) return false;
    const ClientFileFacts& facts = reader.facts();
    if (facts.size != 0 && (facts.size < fileHeaderSize || facts.tag != versionText ||
                            !facts.countSound || fileIsShort(facts))) {
        error = path + " is damaged; vmrtool check tells how, vmrtool repair mends it";
        return false;
    }
    return reader.read(records, facts.clients, error);
}

// Reads rows into records from where `rows` stands: to the end of the CSV or
// up to the row that starts at `stop`; true when it stopped there.
bool readRows(CsvRows& rows, Importer& importer, std::vector<ClientRecord>& records,
              std::size_t stop) {
    const auto most = static_cast<std::size_t>(maxClientCount);
    std::vector<std::string_view> cells;
    std::string problem;
    while (rows.position() != stop && rows.next(cells, problem)) {
        if (std::all_of(cells.begin(), cells.end(), [](std::string_view c) { return c.empty(); }))
            continue;
        if (records.size() == most) {
            importer.errors.add(rows.rowLine(), {},
                                "one client more than a client file holds (" +
                                    std::to_string(most) + ")");
            return false;
        }
        importer.fill(records.emplace_back(), cells, rows.rowLine());
    }
    if (!problem.empty()) importer.errors.add(rows.rowLine(), {}, problem);
    return problem.empty() && rows.position() == stop;
}

// The LFs and quotes in a text.
struct Counts {
    std::size_t lineFeeds = 0;
    std::size_t quotes = 0;
};

Counts countsIn(std::string_view text) {
    Counts counts;
    for (const char c : text) {
        counts.lineFeeds += c == '\n';
        counts.quotes += c == '"';
    }
    return counts;
}

// The first byte after the first LF from `from` on that has an even number of
// quotes before it (`quotes` of them lie before `from`) and so, in a CSV as
// export writes it, ends a row; 0 when there is none before the last byte.
// `lineFeeds` counts the LFs passed, that one included.
std::size_t rowStartAfter(std::string_view csv, std::size_t from, std::size_t quotes,
                          std::size_t& lineFeeds) {
    bool quoted = quotes % 2 != 0;
    for (std::size_t k = from; k + 1 < csv.size(); ++k) {
        if (csv[k] == '"') quoted = !quoted;
        if (csv[k] != '\n') continue;
        ++lineFeeds;
        if (!quoted) return k + 1;
    }
    return 0;
}

// Room for `rows` more records, in large pages where the system has them.
void reserveRows(std::vector<ClientRecord>& records, std::size_t rows) {
    records.reserve(records.size() + rows);
    adviseLargePages(records.data() + records.size(),
                     (records.capacity() - records.size()) * sizeof(ClientRecord));
}

// Reads the CSV's clients after `records`, and with a large CSV some into
// `more`, to follow them. A large CSV is read in two parts at once: a second
// reader takes the rows from a split point on, while the first reads up to
// it. The split point follows the first LF past the middle that has an even
// number of quotes before it and so, in a CSV as export writes it, ends a
// row. The second part counts only when the first reader, reading row by row,
// arrives exactly at the split point, so that the rows are those one reader
// finds; otherwise the first reads on to the end.
void readCsv(std::string_view csv, Importer& importer, std::vector<ClientRecord>& records,
             std::vector<ClientRecord>& more) {
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    CsvRows rows(csv, csv.substr(0, byteOrderMark.size()) == byteOrderMark ? 3 : 0);
    std::vector<std::string_view> cells;
    std::string problem;
    if (!rows.next(cells, problem)) {
        importer.errors.add(1, {}, problem.empty() ? "no header row; the file is empty" : problem);
        return;
    }
    importer.header(cells);
    if (importer.errors.count > 0) return;
    const std::size_t end = csv.size() + 1; // a stop no row starts at
    const std::size_t middle = rows.position() + (csv.size() - rows.position()) / 2;
    Counts before;
    Counts after;
    inParallel([&] { before = countsIn(csv.substr(0, middle)); },
               [&] { after = countsIn(csv.substr(middle)); });
    const auto most = static_cast<std::size_t>(maxClientCount);
    const std::size_t lineFeeds = before.lineFeeds + after.lineFeeds;
    constexpr std::size_t smallest = std::size_t{1} << 20; // worth a second reader
    std::size_t splitLineFeeds = before.lineFeeds;         // the LFs before the split point
    // Each part can hold all its rows only when all of them fit.
    const std::size_t split =
        csv.size() - rows.position() >= smallest && records.size() + lineFeeds < most
            ? rowStartAfter(csv, middle, before.quotes, splitLineFeeds)
            : 0;
    if (split == 0) {
        reserveRows(records, std::min(most, records.size() + lineFeeds) - records.size());
        readRows(rows, importer, records, end);
        return;
    }
    reserveRows(records, splitLineFeeds);
    Importer second = importer.emptyCopy();
    bool secondRead = false;
    bool atSplit = false;
    inParallel([&] { atSplit = readRows(rows, importer, records, split); },
               [&] {
                   try {
                       reserveRows(more, lineFeeds - splitLineFeeds + 1);
                       CsvRows secondRows(csv, split, 1 + splitLineFeeds);
                       readRows(secondRows, second, more, end);
                       secondRead = true;
                   } catch (const std::exception&) {
                       // The first reader reads on and meets the same trouble itself.
                   }
               });
    if (atSplit && secondRead) {
        importer.append(second);
        return;
    }
    more.clear();
    if (atSplit) readRows(rows, importer, records, end);
}

void list(std::FILE* file, const char* prefix, const Listing& listing, const char* what) {
    for (const std::string& line : listing.lines)
        std::fputs((prefix + line + "\n").c_str(), file);
    if (listing.count > listing.lines.size())
        std::fputs((prefix + std::to_string(listing.count) + " " + what + " in all, the first " +
                    std::to_string(listing.lines.size()) + " listed\n")
                       .c_str(),
                   file);
}

} // namespace

int importCommand(const ImportOptions& options, std::FILE* out, std::FILE* err) {
    if (const std::string problem =
            outputProblem(options.input, options.output, options.force, "imported");
        !problem.empty())
        return fail(err, problem);
    if (const std::string held = heldProblem(options.output); !held.empty()) return fail(err, held);
    std::string error;
    std::vector<ClientRecord> records;
    FileText input; // opened after the merged file, which is mapped too
    if ((!options.merge.empty() && !readClients(options.merge, records, error)) ||
        !input.open(options.input, error))
        return fail(err, error);
    const std::string_view csv = input.text();
    const std::size_t kept = records.size();
    // The CSV is read as UTF-8 first. Should that find errors or text that is
    // not well-formed, the whole file is checked, and a file that is not
    // UTF-8 is read again as Windows-1252. (Read as UTF-8 without errors, a
    // file is UTF-8 throughout: every byte outside its texts is in a number,
    // an option or item name or the rows' frame, all plain ASCII.)
    bool utf8 = true;
    Importer importer(utf8, options.lenient);
    std::vector<ClientRecord> more; // clients after `records`, read by a second reader
    try {
        readCsv(csv, importer, records, more);
        if ((importer.errors.count > 0 || importer.invalidUtf8) && !isUtf8(csv)) {
            utf8 = false;
            records.resize(kept);
            more.clear();
            importer = Importer(utf8, options.lenient);
            readCsv(csv, importer, records, more);
        }
    } catch (const std::bad_alloc&) {
        return fail(err, "not enough memory for the clients of " + options.input);
    }
    const std::string encoding = utf8 ? "UTF-8" : "Windows-1252, as it is not UTF-8";
    if (importer.errors.count > 0) {
        list(err, "vmrtool: ", importer.errors, "errors");
        fail(err, options.input + " (read as " + encoding + ") has " +
                      counted(importer.errors.count, "error") + "; nothing written");
        return exitFindings;
    }
    ReplacingFile file;
    std::size_t moved = 0;
    const std::size_t total = records.size() + more.size();
    if (!file.open(options.output, error) ||
        !writeInListOrder(file.get(), options.output, {&records, &more}, "written", moved, err,
                          error) ||
        !file.commit(error))
        return fail(err, error);
    list(out, "changed: ", importer.changes, "changes");
    std::string summary = "imported: " + options.output + " holds " + counted(total, "client") +
                          ", " + std::to_string(total - kept) + " from " + options.input +
                          " (read as " + encoding + ")";
    if (!options.merge.empty())
        summary += " and " + std::to_string(kept) + " from " + options.merge;
    std::fputs((summary + "\n").c_str(), out);
    return exitDone;
}
