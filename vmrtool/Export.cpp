// vmrtool export: every client with every field, by the field's name in record
// order, as CSV for spreadsheets or as JSON for other systems. The clients go
// through in batches: each batch's text is built in memory from the columns'
// tables and written in one piece.
#include "vmrtool/Columns.h"
#include "vmrtool/VmrTool.h"

#include "records/LittleEndian.h"
#include "toolkit/text/Text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>

namespace {

// What each byte of a record's text becomes in one format. Most bytes are
// `plain` and stay as they are; NUL ends the text; the others are `special`:
// they become their UTF-8 form or an escape, or they stay but make a CSV cell
// need quotes.
enum class ByteWay : std::uint8_t { plain, end, special };

struct TextBytes {
    std::array<ByteWay, 0x100> way{};
    std::array<std::string, 0x100> text; // what a special byte becomes
    std::array<bool, 0x100> quotes{};    // the byte makes a CSV cell need quotes
};

TextBytes textBytes(bool json) {
    TextBytes bytes;
    const auto special = [&bytes](int byte, std::string text) {
        bytes.text[byte] = std::move(text);
        bytes.way[byte] = ByteWay::special;
    };
    for (int byte = 0x80; byte < 0x100; ++byte) {
        const char c = static_cast<char>(byte);
        special(byte, win1252ToUtf8(std::string_view(&c, 1)));
    }
    if (json) {
        constexpr char hex[] = "0123456789abcdef";
        for (int byte = 0; byte < 0x20; ++byte)
            special(byte, std::string("\\u00") + hex[byte >> 4] + hex[byte & 0xF]);
        const std::pair<char, const char*> escapes[] = {
            {'\n', "\\n"}, {'\r', "\\r"}, {'\t', "\\t"}, {'"', "\\\""}, {'\\', "\\\\"}};
        for (const auto& [c, escape] : escapes)
            special(c, escape);
    } else {
        for (const char c : {',', '\r', '\n', '"'}) {
            special(c, c == '"' ? "\"\"" : std::string(1, c));
            bytes.quotes[static_cast<unsigned char>(c)] = true;
        }
    }
    bytes.way[0] = ByteWay::end;
    return bytes;
}

const TextBytes csvBytes = textBytes(false);
const TextBytes jsonBytes = textBytes(true);

char* put(char* out, std::string_view text) {
    if (!text.empty()) std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

// Puts a text field's value, its bytes up to the terminator (at most the
// whole field, as readText reads it), in the format; `quotes` tells whether a
// byte of it makes a CSV cell need quotes.
char* putText(char* out, const ClientRecord& record, FieldSpan span, const TextBytes& bytes,
              bool& quotes) {
    const char* const text = reinterpret_cast<const char*>(&record) + span.offset;
    bool quoted = false;
    for (std::size_t k = 0; k < span.size; ++k) {
        const auto byte = static_cast<unsigned char>(text[k]);
        const ByteWay way = bytes.way[byte];
        if (way == ByteWay::plain) {
            *out++ = text[k];
            continue;
        }
        if (way == ByteWay::end) break;
        out = put(out, bytes.text[byte]);
        quoted |= bytes.quotes[byte];
    }
    quotes = quoted;
    return out;
}

// The cell is written as it stands and moved one byte on, for the quote before
// it, when it needs quotes.
char* putCsvText(char* out, const ClientRecord& record, FieldSpan span) {
    char* const cell = out;
    if (needsGuard({reinterpret_cast<const char*>(&record) + span.offset, span.size}))
        *out++ = '\'';
    bool quotes = false;
    out = putText(out, record, span, csvBytes, quotes);
    if (!quotes) return out;
    std::memmove(cell + 1, cell, static_cast<std::size_t>(out - cell));
    *cell = '"';
    out[1] = '"';
    return out + 2;
}

// A number, plain even when negative; 0 (not answered) is an empty CSV cell
// or null.
char* putNumber(char* out, long value, bool json) {
    if (value == 0) return json ? put(out, "null") : out;
    return std::to_chars(out, out + 24, value).ptr;
}

// A date: YYYY-MM-DD for a calendar day (a JSON string), otherwise its number.
char* putDate(char* out, std::int32_t value, bool json) {
    if (!isCalendarDate(value)) return putNumber(out, value, json);
    if (json) *out++ = '"';
    for (int k = 9; k >= 0; --k) {
        if (k == 4 || k == 7) {
            out[k] = '-';
            continue;
        }
        out[k] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out += 10;
    if (json) *out++ = '"';
    return out;
}

// The ticked items of a bit set: "a; b" in CSV, ["a","b"] in JSON. The set is
// read as one number, so that its ticked items are found in one step each.
char* putItems(char* out, const ClientRecord& record, const Column& column, bool json) {
    const FieldSpan span = column.field->span;
    std::uint64_t ticked =
        readLittleEndian(reinterpret_cast<const std::uint8_t*>(&record) + span.offset, span.size) &
        ((std::uint64_t{1} << column.items.size()) - 1);
    if (json) *out++ = '[';
    for (bool first = true; ticked != 0; ticked &= ticked - 1, first = false) {
        if (!first) *out++ = json ? ',' : ';';
        if (!first && !json) *out++ = ' ';
        if (json) *out++ = '"';
        out = put(out, column.items[static_cast<std::size_t>(__builtin_ctzll(ticked))]);
        if (json) *out++ = '"';
    }
    if (json) *out++ = ']';
    return out;
}

// Each column's JSON key with what goes before it: {"name": for the first,
// ,"intakeDate": and so on for the others.
const std::vector<std::string> jsonKeys = [] {
    std::vector<std::string> keys;
    for (const Column& column : exportColumns())
        keys.push_back((keys.empty() ? "{\"" : ",\"") + std::string(column.name) + "\":");
    return keys;
}();

// One client: a CSV row ending in CR LF, or a JSON object.
char* putClient(char* out, const ClientRecord& record, bool json) {
    const std::vector<Column>& columns = exportColumns();
    for (std::size_t k = 0; k < columns.size(); ++k) {
        const Column& column = columns[k];
        const FieldSpan span = column.field->span;
        if (json) out = put(out, jsonKeys[k]);
        switch (column.field->kind) {
        case FieldKind::text:
        case FieldKind::otherText:
            if (json) {
                bool quotes = false; // a CSV concern
                *out++ = '"';
                out = putText(out, record, span, jsonBytes, quotes);
                *out++ = '"';
            } else {
                out = putCsvText(out, record, span);
            }
            break;
        case FieldKind::date:
            out = putDate(out, readDate(record, span), json);
            break;
        case FieldKind::i16:
            out = putNumber(out, readI16(record, span), json);
            break;
        case FieldKind::bitSet:
            out = putItems(out, record, column, json);
            break;
        default:
            out = put(out, (json ? column.jsonCells : column.byteCells)[readU8(record, span)]);
        }
        if (!json) *out++ = ',';
    }
    if (json) {
        *out++ = '}';
    } else {
        out[-1] = '\r';
        *out++ = '\n';
    }
    return out;
}

// The most bytes one client can take in either format: every byte of the
// record as the longest text a byte of text becomes (a JSON "\u00XX"), and for
// each field its key, quotes, separators and its longest option, number or
// date, and the texts of all its items.
const std::size_t mostPerClient = [] {
    std::size_t most = 6 * clientRecordSize;
    for (const Column& column : exportColumns()) {
        most += column.name.size() + 32;
        for (const std::string_view item : column.items)
            most += item.size() + 4;
    }
    return most;
}();

std::string csvHeader() {
    std::string header = "\xEF\xBB\xBF"; // the byte-order mark: the text is UTF-8
    for (const Column& column : exportColumns())
        header.append(column.name) += ',';
    header.back() = '\r';
    return header + "\n";
}

// Writes the export of the reader's records to `target`; false, with the
// reason, when a read or a write failed. `writeBack`: the target is to be
// renamed over a file, so its bytes start for the disk as they are written.
bool writeExport(ClientFileReader& reader, bool json, std::FILE* target, bool writeBack,
                 std::FILE* err, std::string& error) {
    Progress progress(err, "exported", reader.facts().clients);
    std::string text = json ? "[" : csvHeader(); // the batch's text: `used` bytes, then room
    std::size_t used = text.size();
    std::vector<ClientRecord> buffer;
    RecordBytes records;
    bool written = true;
    do {
        if (!reader.view(clientBatch, buffer, records, error)) return false;
        // The records lie in the mapped file or in the buffer; a record has no
        // alignment of its own, so its bytes are one.
        const auto* const clients = reinterpret_cast<const ClientRecord*>(records.bytes);
        for (std::size_t k = 0; k < records.count; ++k) {
            if (text.size() - used < mostPerClient)
                text.resize(std::max(2 * text.size(), used + mostPerClient));
            char* out = text.data() + used;
            if (json) out = put(out, records.first + k == 0 ? "\n" : ",\n");
            used = static_cast<std::size_t>(putClient(out, clients[k], json) - text.data());
        }
        written = std::fwrite(text.data(), 1, used, target) == used;
        used = 0;
        if (writeBack) startWriteback(target);
        progress.done(records.first + records.count);
    } while (written && records.count != 0);
    const std::string_view trailer = json ? "\n]\n" : "";
    if (written && std::fwrite(trailer.data(), 1, trailer.size(), target) == trailer.size() &&
        std::fflush(target) == 0)
        return true;
    error = std::string("cannot write the export: ") + std::strerror(errno);
    return false;
}

} // namespace

int exportCommand(const ExportOptions& options, std::FILE* out, std::FILE* err) {
    if (!options.output.empty()) {
        const std::string problem =
            outputProblem(options.input, options.output, options.force, "exported");
        if (!problem.empty()) return fail(err, problem);
    }
    ClientFileReader reader;
    std::string error;
    if (!reader.open(options.input, error)) return fail(err, error);
    const ClientFileFacts& facts = reader.facts();
    if (!facts.countSound || fileIsShort(facts))
        std::fputs(("vmrtool: warning: " + options.input +
                    " is damaged (see vmrtool check); exporting the " +
                    std::to_string(facts.clients) + " clients it holds\n")
                       .c_str(),
                   err);
    if (options.output.empty())
        return writeExport(reader, options.json, out, false, err, error) ? exitDone
                                                                         : fail(err, error);
    ReplacingFile file;
    if (!file.open(options.output, error)) return fail(err, error);
    if (!writeExport(reader, options.json, file.get(), file.replaces(), err, error) ||
        !file.commit(error))
        return fail(err, error);
    return exitDone;
}
