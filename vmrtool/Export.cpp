// vmrtool export: every client with every field, by the field's name in record
// order, as CSV for spreadsheets or as JSON for other systems. Each format is a
// table made once from the columns: each field's kind and place and the texts
// its values become, and what each byte of a text becomes. A batch of clients
// is written from it into memory and goes out in one piece.
#include "vmrtool/Columns.h"
#include "vmrtool/EightBytes.h"
#include "vmrtool/VmrTool.h"

#include "records/LittleEndian.h"
#include "toolkit/text/Text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <stdexcept>

namespace {

// A short text kept in a slot of fixed size: it is put with one copy of the
// whole slot, whatever its size, and the output moves on by its size. The
// bytes copied after the text land in the output's room and are overwritten
// by what follows. Every option, item and key of the catalogue fits a slot.
template <std::size_t slot> struct Piece {
    std::array<char, slot - 1> bytes{};
    std::uint8_t size = 0;

    Piece() = default;
    explicit Piece(std::string_view text) : size(static_cast<std::uint8_t>(text.size())) {
        if (text.size() > bytes.size()) throw std::length_error("a piece of export too long");
        std::memcpy(bytes.data(), text.data(), text.size());
    }
};

// The room a piece's copy may take beyond the text it puts.
constexpr std::size_t slack = 32;

template <std::size_t slot> char* put(char* out, const Piece<slot>& piece) {
    static_assert(sizeof piece == slot && slot <= slack);
    std::memcpy(out, &piece, slot);
    return out + piece.size;
}

// Puts a text of any length.
inline char* put(char* out, std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

// A column as one format writes it.
struct FormatColumn {
    FieldKind kind;
    FieldSpan span;
    Piece<32> key;                // JSON: {"name": for the first, ,"intakeDate": ...
    std::vector<Piece<32>> cells; // for a one-byte field: the cell of each value
    std::vector<Piece<32>> items; // for a bit set: each item's text and the separator after it
};

// How one format writes the texts and the columns: what each byte of a text
// becomes (itself, its UTF-8 form or an escape), and whether it makes a CSV
// cell need quotes.
struct Format {
    bool json;
    std::array<Piece<8>, 0x100> byteTexts;
    std::array<bool, 0x100> quotes;
    std::vector<FormatColumn> columns;
};

Format makeFormat(bool json) {
    Format format{json, {}, {}, {}};
    for (int byte = 0; byte < 0x100; ++byte) {
        const char c = static_cast<char>(byte);
        std::string text = win1252ToUtf8(std::string_view(&c, 1));
        if (json && (byte < 0x20 || c == '"' || c == '\\')) {
            constexpr char hex[] = "0123456789abcdef";
            const std::string_view named = c == '\n' ? "n" : c == '\r' ? "r" : c == '\t' ? "t" : "";
            text = byte >= 0x20    ? std::string{'\\', c}
                   : named.empty() ? std::string("\\u00") + hex[byte >> 4] + hex[byte & 0xF]
                                   : '\\' + std::string(named);
        } else if (!json && c == '"') {
            text = "\"\"";
        }
        format.quotes[byte] = !json && byte != 0 && std::strchr(",\r\n\"", c);
        format.byteTexts[byte] = Piece<8>(text);
    }
    for (const Column& column : exportColumns()) {
        FormatColumn& out = format.columns.emplace_back();
        out.kind = column.field->kind;
        out.span = column.field->span;
        if (json)
            out.key = Piece<32>((format.columns.size() == 1 ? "{\"" : ",\"") +
                                std::string(column.name) + "\":");
        for (const std::string& cell : json ? column.jsonCells : column.byteCells)
            out.cells.emplace_back(cell);
        for (const std::string_view item : column.items)
            out.items.emplace_back(json ? '"' + std::string(item) + "\","
                                        : std::string(item) + "; ");
    }
    return format;
}

const Format csvFormat = makeFormat(false);
const Format jsonFormat = makeFormat(true);

// Whether eight bytes of text go out as they are: none of them becomes
// something else in the format.
bool plainEight(std::uint64_t eight, bool json) {
    if (json)
        return (bytesBelow(eight, 0x20) | bytesEqual(eight, '"') | bytesEqual(eight, '\\')) == 0;
    return ((eight & highBits) | bytesEqual(eight, '"')) == 0;
}

// Whether one of eight bytes of text makes a CSV cell need quotes.
bool quotesEight(std::uint64_t eight) {
    return (bytesEqual(eight, ',') | bytesEqual(eight, '\r') | bytesEqual(eight, '\n') |
            bytesEqual(eight, '"')) != 0;
}

// Puts a text field's value in the format, each byte as what it becomes: its
// bytes up to the terminator, at most the whole field, as readText reads it.
// Runs of bytes that go out as they are, most text, are put eight at a time.
// `quotes` tells whether a byte of it makes a CSV cell need quotes.
char* putText(char* out, const char* field, std::size_t size, const Format& format, bool& quotes) {
    if (field[0] == '\0') return out; // most texts are empty
    const void* const end = std::memchr(field, '\0', size);
    const std::size_t length =
        end ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : size;
    bool quoted = false;
    std::size_t k = 0;
    for (; length - k >= 8; k += 8) {
        const std::uint64_t eight = eightAt(field + k);
        quoted |= quotesEight(eight);
        if (plainEight(eight, format.json)) {
            std::memcpy(out, &eight, 8);
            out += 8;
            continue;
        }
        for (std::size_t n = k; n < k + 8; ++n)
            out = put(out, format.byteTexts[static_cast<unsigned char>(field[n])]);
    }
    for (; k < length; ++k) {
        const auto byte = static_cast<unsigned char>(field[k]);
        quoted |= format.quotes[byte];
        out = put(out, format.byteTexts[byte]);
    }
    quotes = quoted;
    return out;
}

// A text field's CSV cell. The text is put as it stands, then moved on for
// what goes before it: the quote when a byte of it needs quotes, and the
// guard's apostrophe. Text and cell start alike, as the bytes that become
// something else ('"' and those beyond ASCII) are none that the guard looks
// for, so the guard is judged on the cell.
char* putCsvText(char* out, const char* text, std::size_t size) {
    char* const cell = out;
    bool quotes = false;
    out = putText(out, text, size, csvFormat, quotes);
    const std::size_t length = static_cast<std::size_t>(out - cell);
    const bool guard = needsGuard({cell, length});
    if (!quotes && !guard) return out;
    std::memmove(cell + quotes + guard, cell, length);
    if (quotes) *cell = '"';
    if (guard) cell[quotes] = '\'';
    out += quotes + guard;
    if (quotes) *out++ = '"';
    return out;
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
// read as one number, so that its ticked items are found in one step each;
// each item goes out with the separator after it, and the last one's is taken
// back.
char* putItems(char* out, const ClientRecord& record, const FormatColumn& column, bool json) {
    const FieldSpan span = column.span;
    std::uint64_t ticked =
        readLittleEndian(reinterpret_cast<const std::uint8_t*>(&record) + span.offset, span.size) &
        ((std::uint64_t{1} << column.items.size()) - 1);
    if (json) *out++ = '[';
    if (ticked != 0) {
        for (; ticked != 0; ticked &= ticked - 1)
            out = put(out, column.items[static_cast<std::size_t>(__builtin_ctzll(ticked))]);
        out -= json ? 1 : 2;
    }
    if (json) *out++ = ']';
    return out;
}

// One client: a CSV row ending in CR LF, or a JSON object.
char* putClient(char* out, const ClientRecord& record, const Format& format) {
    const bool json = format.json;
    for (const FormatColumn& column : format.columns) {
        const FieldSpan span = column.span;
        if (json) out = put(out, column.key);
        switch (column.kind) {
        case FieldKind::text:
        case FieldKind::otherText: {
            const char* const text = reinterpret_cast<const char*>(&record) + span.offset;
            if (json) {
                bool quotes = false; // a CSV concern
                *out++ = '"';
                out = putText(out, text, span.size, format, quotes);
                *out++ = '"';
            } else {
                out = putCsvText(out, text, span.size);
            }
            break;
        }
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
            out = put(out, column.cells[readU8(record, span)]);
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
// date, and the texts of all its items; and the slack of the last piece put.
const std::size_t mostPerClient = [] {
    std::size_t most = 6 * clientRecordSize + slack;
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
    const Format& format = json ? jsonFormat : csvFormat;
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
            used = static_cast<std::size_t>(putClient(out, clients[k], format) - text.data());
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
