// vmrtool import: a client file from a CSV as export writes it, or as a
// spreadsheet program saves it again after editing. Each cell is read through
// export's columns, as the exact inverse of export; a value that does not fit
// its field is an error, never a silent change, and a CSV with errors writes
// nothing.
#include "vmrtool/VmrTool.h"

#include "records/ClientCodec.h"
#include "toolkit/text/Text.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <deque>
#include <new>

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

// Whether the whole text is well-formed UTF-8.
bool isUtf8(std::string_view text) {
    for (std::size_t k = 0; k < text.size();)
        if (nextCharacter(text, k) == notUtf8) return false;
    return true;
}

// The place of the first `a` or `b` from `at` on, or the end of the text.
std::size_t firstOf(std::string_view text, std::size_t at, char a, char b) {
    while (at < text.size() && text[at] != a && text[at] != b)
        ++at;
    return at;
}

// A text cell as the record holds it, in Windows-1252: an LF that follows no
// CR becomes CR LF, as the program's multi-line boxes hold a line break, and a
// character outside Windows-1252, or a NUL, which would end the text, becomes
// "?" as the program makes it. `unknown` counts the characters that became
// "?"; `invalid` is set when UTF-8 text is not well-formed.
std::string recordText(std::string_view cell, bool utf8, std::size_t& unknown, bool& invalid) {
    std::string text;
    unknown = 0;
    for (std::size_t k = 0; k < cell.size();) {
        char byte = cell[k];
        if (utf8 && static_cast<unsigned char>(byte) >= 0x80) {
            const char32_t c = nextCharacter(cell, k);
            invalid |= c == notUtf8;
            // The conversion gives "?" for a character Windows-1252 lacks, as
            // for no other character beyond ASCII.
            byte =
                c > 0xFFFF ? '?' : utf16ToWin1252(std::u16string(1, static_cast<char16_t>(c)))[0];
            if (byte == '?') byte = '\0';
        } else {
            ++k;
        }
        if (byte == '\n' && (text.empty() || text.back() != '\r')) text += '\r';
        if (byte == '\0') {
            byte = '?';
            ++unknown;
        }
        text += byte;
    }
    return text;
}

// The cell without the apostrophe that export put before a text a
// spreadsheet would take for a formula.
std::string_view unguarded(std::string_view cell) {
    return !cell.empty() && cell[0] == '\'' && needsGuard(cell.substr(1)) ? cell.substr(1) : cell;
}

// The cell without blanks around it, which a number, a date, an option or an
// item name may have.
std::string_view trimmed(std::string_view cell) {
    const std::size_t first = cell.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return cell.substr(first, cell.find_last_not_of(" \t") + 1 - first);
}

// A whole number from `least` to `most`: digits after an optional minus.
bool wholeNumber(std::string_view cell, std::int64_t least, std::int64_t most,
                 std::int64_t& value) {
    const char* const end = cell.data() + cell.size();
    const auto [last, error] = std::from_chars(cell.data(), end, value);
    return !cell.empty() && error == std::errc() && last == end && value >= least && value <= most;
}

// The words after a date cell of no shape a date is written in.
constexpr char notADate[] = "is neither a calendar day as YYYY-MM-DD nor a whole number";

// A date cell's value: YYYY-MM-DD, as export writes a calendar day, or the
// whole number it writes for any other date; MM-DD-YYYY, as the program
// shows a date; M/D/YYYY, or D/M/YYYY when the file writes days first;
// D.M.YYYY. Month and day may have one digit or two; empty is 0, no date.
// What is wrong with the cell, as the words that follow it, when it is no
// date.
std::string dateValue(std::string_view cell, bool dayFirst, std::int32_t& date) {
    std::int64_t value = 0;
    if (cell.empty() || wholeNumber(cell, INT32_MIN, INT32_MAX, value)) {
        date = static_cast<std::int32_t>(value);
        return {};
    }
    // Three runs of at most four digits, with one separator between them.
    const std::size_t first = cell.find_first_of("-/.");
    if (first == std::string_view::npos) return notADate;
    const char separator = cell[first];
    const std::size_t second = std::min(cell.find(separator, first + 1), cell.size());
    const std::string_view parts[] = {cell.substr(0, first),
                                      cell.substr(first + 1, second - first - 1),
                                      cell.substr(std::min(second + 1, cell.size()))};
    std::int32_t number[3] = {};
    for (int k = 0; k < 3; ++k) {
        const char* const end = parts[k].data() + parts[k].size();
        if (parts[k].empty() || parts[k].size() > 4 || parts[k][0] == '-' ||
            std::from_chars(parts[k].data(), end, number[k]).ptr != end)
            return notADate;
    }
    const std::size_t lastDigits = parts[2].size();
    if (separator == '-' && parts[0].size() == 4 && parts[1].size() == 2 && lastDigits == 2) {
        date = number[0] * 10000 + number[1] * 100 + number[2];
        return isCalendarDate(date) ? "" : notADate;
    }
    if (parts[0].size() > 2 || parts[1].size() > 2 || (lastDigits != 2 && lastDigits != 4))
        return notADate;
    if (lastDigits == 2) return "has a two-digit year; write the year with four digits";
    // Dashes put the month first, as the program does, dots the day, and
    // slashes the month unless the file writes days first.
    const bool daysFirst = separator == '.' || (separator == '/' && dayFirst);
    const std::int32_t monthDay = number[2] * 10000 + number[0] * 100 + number[1];
    const std::int32_t dayMonth = number[2] * 10000 + number[1] * 100 + number[0];
    date = daysFirst ? dayMonth : monthDay;
    if (isCalendarDate(date)) return {};
    const std::string problem =
        "is no calendar day as " + std::string(separator == '-'   ? "MM-DD-YYYY"
                                               : separator == '.' ? "D.M.YYYY"
                                               : dayFirst         ? "D/M/YYYY"
                                                                  : "M/D/YYYY");
    // A slash date that is a calendar day the other way round tells which
    // way round the file writes them.
    if (separator != '/' || !isCalendarDate(daysFirst ? monthDay : dayMonth)) return problem;
    return problem + (dayFirst ? "; the file seems to write months first: try without --day-first"
                               : "; the file seems to write days first: try --day-first");
}

// The place of `text` among `texts`, the first one; -1 when it is none of them.
template <class Texts> int placeOf(const Texts& texts, std::string_view text) {
    for (std::size_t k = 0; k < texts.size(); ++k)
        if (texts[k] == text) return static_cast<int>(k);
    return -1;
}

// The words after a one-byte field's value that does not fit.
std::string byteProblem(const FieldInfo& field) {
    if (field.kind == FieldKind::u8) return "is not a whole number from 0 to 255";
    std::string options;
    for (int k = 0; k < field.items.count; ++k)
        options += (k ? ", " : "") + std::string(field.items.texts[k]);
    return "is none of " + options + " nor a number from 0 to 255";
}

// Ticks the items a bit set's cell names, "a; b"; the first name that is no
// item of the field, or empty when there is none.
std::string_view tickItems(const Column& column, std::string_view cell, ClientRecord& record) {
    for (std::size_t at = 0; at <= cell.size();) {
        const std::size_t stop = std::min(cell.find(';', at), cell.size());
        const std::string_view name = trimmed(cell.substr(at, stop - at));
        at = stop + 1;
        if (name.empty()) continue;
        const int item = placeOf(column.items, name);
        if (item < 0) return name;
        writeItem(record, column.field->span, item, true);
    }
    return {};
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
    // Writes each line after `prefix` and, when not all are listed, how many
    // there are.
    void print(std::FILE* file, const std::string& prefix, const char* what) const {
        for (const std::string& line : lines)
            std::fputs((prefix + line + "\n").c_str(), file);
        if (count > lines.size())
            std::fputs((prefix + std::to_string(count) + " " + what + " in all, the first " +
                        std::to_string(lines.size()) + " listed\n")
                           .c_str(),
                       file);
    }
};

// The rows of a CSV, one at a time: the cells of a row as views into the text
// or, for a quoted cell, into a copy of its text without the quotes, kept
// until the next row.
class CsvRows {
  public:
    // Rows from `start` on, their cells separated by `cellSeparator`.
    CsvRows(std::string_view csv, std::size_t start, char cellSeparator)
        : text(csv), at(start), separator(cellSeparator) {}

    // The next row's cells; false at the end of the text or, with the reason,
    // at a cell that cannot be read.
    bool next(std::vector<std::string_view>& cells, std::string& problem) {
        cells.clear();
        std::size_t copies = 0;
        if (at >= text.size()) return false;
        row = line;
        for (;;) {
            if (at < text.size() && text[at] == '"') {
                if (copies == copied.size()) copied.emplace_back();
                std::string& copy = copied[copies++];
                copy.clear();
                const std::size_t cellLine = line;
                for (++at;; ++at) {
                    if (at == text.size()) {
                        row = cellLine;
                        problem = "a quoted cell is not closed";
                        return false;
                    }
                    // The closing quote; "" is a quote in the text.
                    if (text[at] == '"' && (++at == text.size() || text[at] != '"')) break;
                    line += text[at] == '\n';
                    copy += text[at];
                }
                if (at + 1 < text.size() && text[at] == '\r' && text[at + 1] == '\n') ++at;
                if (at < text.size() && text[at] != separator && text[at] != '\n') {
                    row = line;
                    problem = "text after the closing quote of a cell";
                    return false;
                }
                cells.push_back(copy);
            } else {
                const std::size_t end = firstOf(text, at, separator, '\n');
                std::string_view cell = text.substr(at, end - at);
                if (!cell.empty() && cell.back() == '\r') cell.remove_suffix(1);
                cells.push_back(cell);
                at = end;
            }
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
    std::string_view text;
    std::size_t at;       // the next byte to read
    char separator;       // between the cells of a row
    std::size_t line = 1; // the line `at` lies on
    std::size_t row = 1;
    std::deque<std::string> copied; // the row's quoted cells; a deque keeps them in
                                    // place while the row grows
};

// The column of that name; null when there is none.
const Column* columnNamed(std::string_view name) {
    for (const Column& column : exportColumns())
        if (column.name == name) return &column;
    return nullptr;
}

// The separator of the cells: a comma, a semicolon or a tab, whichever splits
// the header row into known column names, as spreadsheets in different
// countries save a CSV. A comma when none does; the header's errors then
// tell why.
char separatorOf(std::string_view csv, std::size_t start) {
    std::vector<std::string_view> cells;
    std::string problem;
    for (const char separator : {',', ';', '\t'}) {
        CsvRows header(csv, start, separator);
        if (header.next(cells, problem) &&
            std::all_of(cells.begin(), cells.end(),
                        [](std::string_view c) { return columnNamed(c); }))
            return separator;
    }
    return ',';
}

// Reads a CSV's clients: its header row, then a record from each row.
class Importer {
  public:
    Importer(bool fromUtf8, const Options& options)
        : utf8(fromUtf8), lenient(options.lenient), dayFirst(options.dayFirst) {}

    // The column of each of the header's cells.
    void header(const std::vector<std::string_view>& cells) {
        const std::vector<Column>& all = exportColumns();
        for (const std::string_view cell : cells) {
            const Column* const column = columnNamed(cell);
            if (!column)
                errors.add(1, {}, "unknown column " + shown(cell));
            else if (std::find(columns.begin(), columns.end(), column) != columns.end())
                errors.add(1, {}, "the column " + shown(cell) + " comes twice");
            columns.push_back(column);
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
    Listing changes;          // what --lenient changed
    bool invalidUtf8 = false; // read as UTF-8, a text cell was not well-formed

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
        switch (kind) {
        case FieldKind::date:
            if (std::string problem = dateValue(value, dayFirst, date); !problem.empty())
                return problem;
            writeDate(client, span, date);
            return {};
        case FieldKind::i16:
            if (!value.empty() && !wholeNumber(value, INT16_MIN, INT16_MAX, number))
                return "is not a whole number from -32768 to 32767";
            writeI16(client, span, static_cast<std::int16_t>(number));
            return {};
        case FieldKind::bitSet:
            if (const std::string_view unknown = tickItems(column, value, client); !unknown.empty())
                return "names " + shown(unknown) + ", which is none of its items";
            return {};
        default:
            // A one-byte field: the text export writes for a value (the first
            // such value), or a number from 0 to 255.
            if (!value.empty() && !wholeNumber(value, 0, 0xFF, number))
                number = placeOf(column.byteCells, value);
            if (number < 0) return byteProblem(*column.field);
            writeU8(client, span, static_cast<std::uint8_t>(number));
            return {};
        }
    }

    std::string storeText(const Column& column, std::string_view cell, std::size_t line,
                          ClientRecord& client) {
        std::size_t unknown = 0;
        const std::string text = recordText(cell, utf8, unknown, invalidUtf8);
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
    bool dayFirst;                      // slash dates are D/M/YYYY
    std::vector<const Column*> columns; // the column of each cell of a row
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

// Reads the CSV's clients after `records`: its header row, then a record
// from each row that has a cell that is not empty.
void readCsv(std::string_view csv, Importer& importer, std::vector<ClientRecord>& records) {
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    const std::size_t start = csv.substr(0, byteOrderMark.size()) == byteOrderMark ? 3 : 0;
    CsvRows rows(csv, start, separatorOf(csv, start));
    std::vector<std::string_view> cells;
    std::string problem;
    if (!rows.next(cells, problem)) {
        importer.errors.add(1, {}, problem.empty() ? "no header row; the file is empty" : problem);
        return;
    }
    importer.header(cells);
    if (importer.errors.count > 0) return;
    // Room for a client on every line, so that the records are never moved.
    const auto most = static_cast<std::size_t>(maxClientCount);
    const auto lineFeeds = static_cast<std::size_t>(std::count(csv.begin(), csv.end(), '\n'));
    records.reserve(std::min(most, records.size() + lineFeeds));
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

} // namespace

int importCommand(const Options& options, std::FILE* out, std::FILE* err) {
    if (const std::string problem = outputProblem(options, "imported"); !problem.empty())
        return fail(err, problem);
    std::string error;
    std::vector<ClientRecord> records;
    std::string csv;
    if ((!options.merge.empty() && !readClients(options.merge, records, error)) ||
        !readWholeFile(options.input, csv, error))
        return fail(err, error);
    const std::size_t kept = records.size();
    // The CSV is read as UTF-8 first. Should that find errors or text that is
    // not well-formed, the whole file is checked, and a file that is not
    // UTF-8 is read again as Windows-1252. (Read as UTF-8 without errors, a
    // file is UTF-8 throughout: every byte outside its texts is in a number,
    // an option or item name or the rows' frame, all plain ASCII.)
    bool utf8 = true;
    Importer importer(utf8, options);
    try {
        readCsv(csv, importer, records);
        if ((importer.errors.count > 0 || importer.invalidUtf8) && !isUtf8(csv)) {
            utf8 = false;
            records.resize(kept);
            importer = Importer(utf8, options);
            readCsv(csv, importer, records);
        }
    } catch (const std::bad_alloc&) {
        return fail(err, "not enough memory for the clients of " + options.input);
    }
    const std::string encoding = utf8 ? "UTF-8" : "Windows-1252, as it is not UTF-8";
    if (importer.errors.count > 0) {
        importer.errors.print(err, "vmrtool: ", "errors");
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
    importer.changes.print(out, "changed: ", "changes");
    const std::size_t total = records.size();
    std::string summary = "imported: " + options.output + " holds " + counted(total, "client") +
                          ", " + std::to_string(total - kept) + " from " + options.input +
                          " (read as " + encoding + ")";
    if (!options.merge.empty())
        summary += " and " + std::to_string(kept) + " from " + options.merge;
    std::fputs((summary + "\n").c_str(), out);
    return exitDone;
}
