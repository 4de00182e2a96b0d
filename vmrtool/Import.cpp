// vmrtool import: a client file from a CSV as export writes it, or as a
// spreadsheet program saves it again after editing. Each cell is read through
// export's columns, as the exact inverse of export; a value that does not fit
// its field is an error, never a silent change, and a CSV with errors writes
// nothing.
#include "vmrtool/Columns.h"
#include "vmrtool/VmrTool.h"

#include "records/ClientCodec.h"
#include "toolkit/text/Text.h"

#include <algorithm>
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

// Eight bytes of text at a time, for the loops that pass over long runs of
// plain text: a word is read from any place, and each test gives a word with
// the high bit set in every byte that passes it. A lower byte that passes may
// set the bit of a higher one too, never of a lower one, so the lowest bit set
// marks the first byte that passes exactly. The bytes of a word are in memory
// order on the little-endian machines the tool is built for.
constexpr std::uint64_t everyByte = 0x0101010101010101u;
constexpr std::uint64_t highBits = everyByte * 0x80;

std::uint64_t eightAt(const char* bytes) {
    std::uint64_t eight = 0;
    std::memcpy(&eight, bytes, sizeof eight);
    return eight;
}

// Bytes below `limit` (at most 0x80) or with their high bit set.
std::uint64_t bytesBelow(std::uint64_t eight, unsigned char limit) {
    return ((eight - everyByte * limit) | eight) & highBits;
}

std::uint64_t bytesEqual(std::uint64_t eight, char c) {
    const std::uint64_t differences = eight ^ (everyByte * static_cast<unsigned char>(c));
    return (differences - everyByte) & ~differences & highBits;
}

// The place in the word of the first byte that a test's result marks.
unsigned firstMarked(std::uint64_t marks) {
    return static_cast<unsigned>(__builtin_ctzll(marks)) / 8;
}

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

// The place of the first comma or LF from `at` on, or the end of the text.
std::size_t cellEnd(std::string_view text, std::size_t at) {
    for (; text.size() - at >= 8; at += 8) {
        const std::uint64_t eight = eightAt(text.data() + at);
        if (const std::uint64_t stops = bytesEqual(eight, ',') | bytesEqual(eight, '\n'))
            return at + firstMarked(stops);
    }
    while (at < text.size() && text[at] != ',' && text[at] != '\n')
        ++at;
    return at;
}

// A text cell as the record holds it, in Windows-1252, put in `buffer`: an LF
// that follows no CR becomes CR LF, as the program's multi-line boxes hold a
// line break, and a character outside Windows-1252, or a NUL, which would end
// the text, becomes "?" as the program makes it. `unknown` counts the
// characters that became "?".
std::string_view recordText(std::string_view cell, bool utf8, std::string& buffer,
                            std::size_t& unknown) {
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
            const auto found = win1252Bytes.find(nextCharacter(cell, k));
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

// A one-byte field's cell: the text export writes for a value, or a number
// from 0 to 255; empty is 0.
bool byteValue(const Column& column, std::string_view cell, std::uint8_t& value) {
    std::int64_t number = 0;
    if (cell.empty() || wholeNumber(cell, 0, 0xFF, number)) {
        value = static_cast<std::uint8_t>(number);
        return true;
    }
    const auto found = std::find(column.byteCells.begin(), column.byteCells.end(), cell);
    value = static_cast<std::uint8_t>(found - column.byteCells.begin());
    return found != column.byteCells.end();
}

// The words after a one-byte field's value that does not fit.
std::string byteProblem(const FieldInfo& field) {
    if (field.kind == FieldKind::u8) return "is not a whole number from 0 to 255";
    std::string options;
    for (int k = 0; k < field.items.count; ++k)
        options += (k ? ", " : "") + std::string(field.items.texts[k]);
    return "is none of " + options + " nor a number from 0 to 255";
}

// Ticks the items a bit set's cell names, "a; b"; false, with the name, at a
// name that is no item of the field. Export names the items in their order, so
// the search for each starts after the one before.
bool tickItems(const Column& column, std::string_view cell, ClientRecord& record,
               std::string_view& unknown) {
    const std::size_t count = column.items.size();
    std::size_t item = 0;
    while (!cell.empty()) {
        const std::size_t end = std::min(cell.find(';'), cell.size());
        const std::string_view name = trimmed(cell.substr(0, end));
        cell.remove_prefix(std::min(end + 1, cell.size()));
        if (name.empty()) continue;
        std::size_t tried = 0;
        for (; tried < count && column.items[item] != name; ++tried)
            item = item + 1 == count ? 0 : item + 1;
        if (tried == count) {
            unknown = name;
            return false;
        }
        writeItem(record, column.field->span, static_cast<int>(item), true);
        item = item + 1 == count ? 0 : item + 1;
    }
    return true;
}

// How many LFs the bytes from `from` to `to` hold.
std::size_t lineBreaks(const char* from, const char* to) {
    std::size_t count = 0;
    while ((from = static_cast<const char*>(std::memchr(from, '\n', to - from))) != nullptr) {
        ++count;
        ++from;
    }
    return count;
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
};

// The rows of a CSV, one at a time: the cells of a row as views into the text
// or, for a quoted cell that holds a quote (written ""), into a copy of the
// cell with its quotes made single, kept until the next row.
class CsvRows {
  public:
    CsvRows(std::string_view csv, std::size_t start) : text(csv), at(start) {}

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
                const std::size_t end = cellEnd(text, at);
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

  private:
    bool quotedCell(std::string_view& cell, std::string& problem) {
        const std::size_t cellLine = line;
        const std::size_t start = ++at; // after the opening quote
        bool quotes = false;            // the cell holds a quote
        for (;;) {
            const std::size_t quote = text.find('"', at);
            if (quote == std::string_view::npos) {
                row = cellLine;
                problem = "a quoted cell is not closed";
                return false;
            }
            line += lineBreaks(text.data() + at, text.data() + quote);
            at = quote + 1;
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
    std::size_t at;       // the next byte to read
    std::size_t line = 1; // the line `at` lies on
    std::size_t row = 1;
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
            if (std::string problem = store(*columns[k], cells[k], line, client); !problem.empty())
                errors.add(line, columns[k]->name, shown(cells[k]) + " " + problem);
        if (errors.count == before && client.name[0] == '\0')
            errors.add(line, exportColumns().front().name, "empty; every client needs a name");
    }

    std::string shown(std::string_view cell) const {
        return utf8 ? shownUtf8(cell) : shownText(cell);
    }

    Listing errors;
    Listing changes; // what --lenient changed

  private:
    // Stores a cell's value in its field; what is wrong with it, as the words
    // that follow the value, when it does not fit.
    std::string store(const Column& column, std::string_view cell, std::size_t line,
                      ClientRecord& client) {
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
            if (!tickItems(column, value, client, unknown))
                return "names " + shown(unknown) + ", which is none of its items";
            return {};
        default:
            if (!byteValue(column, value, byte)) return byteProblem(*column.field);
            writeU8(client, span, byte);
            return {};
        }
    }

    std::string storeText(const Column& column, std::string_view cell, std::size_t line,
                          ClientRecord& client) {
        std::size_t unknown = 0;
        const std::string_view text = recordText(cell, utf8, buffer, unknown);
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

    const bool utf8;
    const bool lenient;
    std::vector<const Column*> columns; // the column of each cell of a row
    std::string buffer;                 // a text cell as the record holds it
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

// Reads the CSV's clients after `records`.
void readCsv(std::string_view csv, Importer& importer, std::vector<ClientRecord>& records) {
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
    const auto most = static_cast<std::size_t>(maxClientCount);
    records.reserve(
        std::min(most, records.size() + lineBreaks(csv.data(), csv.data() + csv.size())));
    adviseLargePages(records.data() + records.size(),
                     (records.capacity() - records.size()) * sizeof(ClientRecord));
    while (rows.next(cells, problem)) {
        if (std::all_of(cells.begin(), cells.end(), [](std::string_view c) { return c.empty(); }))
            continue;
        if (records.size() == most) {
            importer.errors.add(rows.rowLine(), {},
                                "one client more than a client file holds (" +
                                    std::to_string(most) + ")");
            return;
        }
        importer.fill(records.emplace_back(), cells, rows.rowLine());
    }
    if (!problem.empty()) importer.errors.add(rows.rowLine(), {}, problem);
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
    std::string error;
    std::vector<ClientRecord> records;
    FileText input; // opened after the merged file, which is mapped too
    if ((!options.merge.empty() && !readClients(options.merge, records, error)) ||
        !input.open(options.input, error))
        return fail(err, error);
    const std::string_view csv = input.text();
    const std::size_t kept = records.size();
    const bool utf8 = isUtf8(csv);
    const std::string encoding = utf8 ? "UTF-8" : "Windows-1252, as it is not UTF-8";
    Importer importer(utf8, options.lenient);
    try {
        readCsv(csv, importer, records);
    } catch (const std::bad_alloc&) {
        return fail(err, "not enough memory for the clients of " + options.input);
    }
    if (importer.errors.count > 0) {
        list(err, "vmrtool: ", importer.errors, "errors");
        fail(err, options.input + " (read as " + encoding + ") has " +
                      counted(importer.errors.count, "error") + "; nothing written");
        return exitFindings;
    }
    ReplacingFile file;
    std::size_t moved = 0;
    if (!file.open(options.output, error) ||
        !writeInListOrder(file.get(), options.output, records, "written", moved, err, error) ||
        !file.commit(error))
        return fail(err, error);
    list(out, "changed: ", importer.changes, "changes");
    std::string summary = "imported: " + options.output + " holds " +
                          counted(records.size(), "client") + ", " +
                          std::to_string(records.size() - kept) + " from " + options.input +
                          " (read as " + encoding + ")";
    if (!options.merge.empty())
        summary += " and " + std::to_string(kept) + " from " + options.merge;
    std::fputs((summary + "\n").c_str(), out);
    return exitDone;
}
