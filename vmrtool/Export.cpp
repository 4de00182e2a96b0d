// vmrtool export: every client with every field, by the field's name in record
// order, as CSV for spreadsheets or as JSON for other systems.
//
// An export should cost little more than reading the file and writing the
// result, so: batches of clients are exported two at a time on threads of
// their own while the file is read and the output written; each client's
// export goes straight into its batch's buffer; everything a field writes
// besides its own text (names, option and item texts, small numbers) is
// prepared once; and a record's text is scanned eight bytes at a time and
// copied whole unless it holds a byte that must be replaced.
#include "vmrtool/VmrTool.h"

#include "records/ClientFields.h"
#include "toolkit/Text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <functional>
#include <future>
#include <system_error>
#include <vector>

namespace {

char* put(char* out, std::string_view text) {
    if (!text.empty()) std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

// A short text ready to be written: padded, so that a text of up to
// `fixedCopy` bytes goes out in one copy of that fixed size; what is written
// next overwrites the padding.
class Piece {
  public:
    static constexpr std::size_t fixedCopy = 32;

    explicit Piece(std::string_view text)
        : bytes(std::string(text) + std::string(fixedCopy, '\0')), length(text.size()) {}

    char* put(char* out) const {
        if (length <= fixedCopy)
            std::memcpy(out, bytes.data(), fixedCopy);
        else
            std::memcpy(out, bytes.data(), length);
        return out + length;
    }
    std::size_t size() const { return length; }

  private:
    std::string bytes;
    std::size_t length = 0;
};

// How one format writes a record's text: the replacement for each byte that
// cannot stand as it is (empty for the others).
struct TextFormat {
    bool json;
    std::array<std::string, 256> replacement;
};

TextFormat textFormat(bool json) {
    TextFormat format{json, {}};
    for (int byte = 0x80; byte < 0x100; ++byte) {
        const char c = static_cast<char>(byte);
        format.replacement[byte] = win1252ToUtf8(std::string_view(&c, 1));
    }
    if (json) {
        constexpr char hex[] = "0123456789abcdef";
        for (int byte = 0; byte < 0x20; ++byte)
            format.replacement[byte] = std::string("\\u00") + hex[byte >> 4] + hex[byte & 0xF];
        format.replacement['\n'] = "\\n";
        format.replacement['\r'] = "\\r";
        format.replacement['\t'] = "\\t";
        format.replacement['"'] = "\\\"";
        format.replacement['\\'] = "\\\\";
    } else {
        format.replacement['"'] = "\"\"";
    }
    return format;
}

// The most bytes one byte of text can become (a JSON "\u00XX").
constexpr std::size_t mostPerByte = 6;

const TextFormat csvText = textFormat(false);
const TextFormat jsonText = textFormat(true);

// Tests on eight bytes at once, marking the high bit of each byte that passes.
// The lowest mark is always right; a byte above a marked one may be marked
// wrongly, so the scan below trusts a mark only below the lowest mark it knows.
constexpr std::uint64_t everyByte = 0x0101010101010101u;
constexpr std::uint64_t highBits = 0x8080808080808080u;

constexpr std::uint64_t bytesBelow(std::uint64_t word, unsigned char limit) { // limit <= 128
    return (word - everyByte * limit) & ~word & highBits;
}
constexpr std::uint64_t bytesEqual(std::uint64_t word, unsigned char c) {
    return bytesBelow(word ^ (everyByte * c), 1);
}

// The bytes of a word that the format replaces (a CSV quote, a JSON control,
// quote or backslash, and every byte above 0x7F) and those that make a CSV
// cell need quotes (comma, quote, CR, LF).
struct WordMarks {
    std::uint64_t replaced;
    std::uint64_t quoted;
};

WordMarks marksOf(std::uint64_t word, const TextFormat& format) {
    const std::uint64_t high = word & highBits;
    if (format.json)
        return {high | bytesBelow(word, 0x20) | bytesEqual(word, '"') | bytesEqual(word, '\\'), 0};
    const std::uint64_t quote = bytesEqual(word, '"');
    return {high | quote,
            quote | bytesEqual(word, ',') | bytesEqual(word, '\r') | bytesEqual(word, '\n')};
}

// The bytes that end a text or that the format replaces or quotes: CSV: the
// controls up to CR, bytes above 0x7F, quotes and commas; JSON: controls,
// bytes above 0x7F, quotes and backslashes. Most words of most texts have none.
std::uint64_t specialBytes(std::uint64_t word, const TextFormat& format) {
    if (format.json)
        return (word & highBits) | bytesBelow(word, 0x20) | bytesEqual(word, '"') |
               bytesEqual(word, '\\');
    return (word & highBits) | bytesBelow(word, '\r' + 1) | bytesEqual(word, '"') |
           bytesEqual(word, ',');
}

// Eight bytes in memory order, the first in the lowest bits: the scan finds a
// byte's place from its mark's bit.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);

std::uint64_t wordAt(const char* bytes) {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// The scan reads a text field in words of eight bytes; the last word may reach
// past the field, never past the record.
constexpr bool textWordsStayInRecord() {
    for (const FieldInfo* field : clientFields)
        if ((field->kind == FieldKind::text || field->kind == FieldKind::otherText) &&
            field->span.offset + (field->span.size + 7u) / 8u * 8u > clientRecordSize)
            return false;
    return true;
}
static_assert(textWordsStayInRecord());

// A field's text: its bytes up to the terminator, at most the whole field (as
// readText reads it), and whether any of them is replaced or needs quotes.
struct ScannedText {
    std::string_view text;
    bool replaced;
    bool quoted;
};

ScannedText scanText(const ClientRecord& record, FieldSpan span, const TextFormat& format) {
    const std::string_view field(reinterpret_cast<const char*>(&record) + span.offset, span.size);
    ScannedText scanned{field, false, false};
    for (std::size_t k = 0; k < field.size(); k += 8) {
        std::uint64_t word = wordAt(field.data() + k);
        if (field.size() - k < 8) // the bytes past the field end the text as a terminator would
            word &= (std::uint64_t{1} << (8 * (field.size() - k))) - 1;
        const std::uint64_t special = specialBytes(word, format);
        if (special == 0) continue;
        const std::uint64_t ends = bytesBelow(word, 1);
        // The marks below the first end are right: a mark there means a byte.
        const std::uint64_t before = ends == 0 ? ~std::uint64_t{0} : (ends & (~ends + 1)) - 1;
        if (special & before) {
            const WordMarks marks = marksOf(word, format);
            scanned.replaced |= (marks.replaced & before) != 0;
            scanned.quoted |= (marks.quoted & before) != 0;
        }
        if (ends != 0) {
            scanned.text = field.substr(0, k + static_cast<std::size_t>(__builtin_ctzll(ends)) / 8);
            break;
        }
    }
    return scanned;
}

char* putBytes(char* out, std::string_view bytes, const TextFormat& format) {
    for (const char c : bytes) {
        const std::string& replacement = format.replacement[static_cast<unsigned char>(c)];
        if (replacement.empty())
            *out++ = c;
        else
            out = put(out, replacement);
    }
    return out;
}

// The text as UTF-8 in the format, escaped; copied whole when nothing is, and
// otherwise eight bytes at a time where none of them is.
char* putText(char* out, const ScannedText& scanned, const TextFormat& format) {
    const std::string_view text = scanned.text;
    if (!scanned.replaced) return put(out, text);
    std::size_t k = 0;
    for (; k + 8 <= text.size(); k += 8) {
        const std::uint64_t word = wordAt(text.data() + k);
        if (marksOf(word, format).replaced == 0) {
            std::memcpy(out, &word, sizeof word);
            out += sizeof word;
        } else {
            out = putBytes(out, text.substr(k, 8), format);
        }
    }
    return putBytes(out, text.substr(k), format);
}

// One field as the export writes it, prepared once from the catalogue.
struct ExportField {
    const FieldInfo* info;
    Piece jsonKey;                // the separator and the quoted name
    std::vector<Piece> csvItems;  // its options or items as a CSV cell holds them
    std::vector<Piece> jsonItems; // the same as JSON strings
    // A ticked item after the first one: with the separator before it.
    std::vector<Piece> csvNextItems;
    std::vector<Piece> jsonNextItems;
    std::size_t most; // the most bytes its value can take in either format
};

const std::vector<ExportField> exportFields = [] {
    std::vector<ExportField> plan;
    for (const FieldInfo* field : clientFields) {
        ExportField entry{field,
                          Piece((plan.empty() ? "{\"" : ",\"") + std::string(field->name) + "\":"),
                          {},
                          {},
                          {},
                          {},
                          field->span.size * mostPerByte + 16}; // quotes, formula guard, digits
        for (int k = 0; k < field->items.count; ++k) {
            const std::string item = field->items.texts[k];
            entry.csvItems.emplace_back(item);
            entry.jsonItems.emplace_back("\"" + item + "\"");
            entry.csvNextItems.emplace_back("; " + item);
            entry.jsonNextItems.emplace_back(",\"" + item + "\"");
            entry.most += item.size() + 4; // quoted, and a separator
        }
        entry.most += entry.jsonKey.size();
        plan.push_back(std::move(entry));
    }
    return plan;
}();

// The most bytes one client can take, with its separators, its line end and
// room for the padding of a last piece.
const std::size_t mostPerClient = [] {
    std::size_t most = 8 + Piece::fixedCopy;
    for (const ExportField& field : exportFields)
        most += field.most;
    return most;
}();

// The digits of 0 to 255, the values of counts, flags and choices.
const std::vector<Piece> smallNumbers = [] {
    std::vector<Piece> numbers;
    for (int k = 0; k < 256; ++k)
        numbers.emplace_back(std::to_string(k));
    return numbers;
}();

// One field's value as both formats present it.
struct FieldValue {
    enum class Type {
        none,   // not answered: an empty cell, null
        text,   // the field's bytes, Windows-1252 text up to a terminator
        option, // the option `index` of the field's list
        small,  // the number `index`, 1 to 255
        number, // the digits in `digits`: a weight, or a date that is no calendar day
        date,   // YYYY-MM-DD in `digits`
        items,  // the ticked items of a bit set
    };
    Type type = Type::none;
    std::string_view digits;
    std::size_t index = 0;
};

// The digits of a number or a date, kept for the value that points at them.
struct Digits {
    char text[16];
};

FieldValue number(long value, Digits& digits) {
    const auto end = std::to_chars(digits.text, digits.text + sizeof digits.text, value).ptr;
    return {FieldValue::Type::number, {digits.text, static_cast<std::size_t>(end - digits.text)}};
}

FieldValue date(std::int32_t value, Digits& digits) {
    // YYYYMMDD becomes YYYY-MM-DD.
    for (int k = 9; k >= 0; --k) {
        if (k == 4 || k == 7) {
            digits.text[k] = '-';
            continue;
        }
        digits.text[k] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return {FieldValue::Type::date, {digits.text, 10}};
}

FieldValue small(std::uint8_t value) { return {FieldValue::Type::small, {}, value}; }
FieldValue option(std::size_t index) { return {FieldValue::Type::option, {}, index}; }

// Inline: it runs for every field of every client.
inline FieldValue valueOf(const ClientRecord& record, const ExportField& field, Digits& digits) {
    const FieldSpan span = field.info->span;
    switch (field.info->kind) {
    case FieldKind::text:
    case FieldKind::otherText:
        return {FieldValue::Type::text, {}, 0};
    case FieldKind::date: {
        const std::int32_t value = readDate(record, span);
        if (value == 0) return {};
        return isCalendarDate(value) ? date(value, digits) : number(value, digits);
    }
    case FieldKind::u8: {
        const std::uint8_t value = readU8(record, span);
        return value == 0 ? FieldValue{} : small(value);
    }
    case FieldKind::i16: {
        const std::int16_t value = readI16(record, span);
        return value == 0 ? FieldValue{} : number(value, digits);
    }
    case FieldKind::yesNo: {
        // The options run "Yes", "No" (or "Male", "Female"): 1 is the first, 0 the second.
        const std::uint8_t value = readU8(record, span);
        return value > 1 ? small(value) : option(1u - value);
    }
    case FieldKind::yesNoNever: {
        const std::uint8_t value = readU8(record, span);
        return option(value == 1 ? 0 : value == 0 ? 1 : 2);
    }
    case FieldKind::choice: {
        const std::uint8_t value = readU8(record, span);
        if (value == 0) return {};
        return value > field.csvItems.size() ? small(value) : option(value - 1u);
    }
    case FieldKind::bitSet:
        return {FieldValue::Type::items, {}, 0};
    }
    return {};
}

std::string_view fieldBytes(const ClientRecord& record, const ExportField& field) {
    return {reinterpret_cast<const char*>(&record) + field.info->span.offset,
            field.info->span.size};
}

// The ticked items of a bit set, the first of `first`, the others of `next`
// (which carry their separator), between `open` and `close`. The set bits are
// found a byte at a time: a client has about a hundred items, few of them ticked.
char* putTickedItems(char* out, const ClientRecord& record, const ExportField& field,
                     const std::vector<Piece>& first, const std::vector<Piece>& next,
                     std::string_view open, std::string_view close) {
    const std::string_view bytes = fieldBytes(record, field);
    out = put(out, open);
    const std::vector<Piece>* items = &first;
    for (std::size_t byte = 0; byte < bytes.size(); ++byte)
        for (unsigned bits = static_cast<unsigned char>(bytes[byte]); bits != 0; bits &= bits - 1) {
            const std::size_t item = byte * 8 + static_cast<std::size_t>(__builtin_ctz(bits));
            if (item >= items->size()) break; // spare bits name no item
            out = (*items)[item].put(out);
            items = &next;
        }
    return put(out, close);
}

// CSV -------------------------------------------------------------------------

// A leading "=", "+", "-" or "@" would make a spreadsheet read the cell as a
// formula; a single quote before it keeps the cell plain text. Option and item
// texts start with none of them; a negative number does.
bool looksLikeFormula(std::string_view text) {
    return !text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@');
}

char* putCsvText(char* out, const ScannedText& scanned) {
    const bool quoted = scanned.quoted;
    if (quoted) *out++ = '"';
    if (looksLikeFormula(scanned.text)) *out++ = '\'';
    out = putText(out, scanned, csvText);
    if (quoted) *out++ = '"';
    return out;
}

char* putCsvRecord(char* out, const ClientRecord& record, Digits& digits) {
    for (const ExportField& field : exportFields) {
        if (&field != &exportFields.front()) *out++ = ',';
        const FieldValue value = valueOf(record, field, digits);
        switch (value.type) {
        case FieldValue::Type::none:
            break;
        case FieldValue::Type::text:
            out = putCsvText(out, scanText(record, field.info->span, csvText));
            break;
        case FieldValue::Type::option:
            out = field.csvItems[value.index].put(out);
            break;
        case FieldValue::Type::small:
            out = smallNumbers[value.index].put(out);
            break;
        case FieldValue::Type::number:
            if (looksLikeFormula(value.digits)) *out++ = '\'';
            out = put(out, value.digits);
            break;
        case FieldValue::Type::date:
            out = put(out, value.digits);
            break;
        case FieldValue::Type::items:
            out = putTickedItems(out, record, field, field.csvItems, field.csvNextItems, "", "");
            break;
        }
    }
    return put(out, "\r\n");
}

std::string csvHeader() {
    std::string header = "\xEF\xBB\xBF"; // the byte-order mark: the text is UTF-8
    for (const FieldInfo* field : clientFields)
        header += (field == clientFields[0] ? "" : ",") + std::string(field->name);
    return header + "\r\n";
}

// JSON ------------------------------------------------------------------------

char* putJsonRecord(char* out, const ClientRecord& record, Digits& digits) {
    for (const ExportField& field : exportFields) {
        out = field.jsonKey.put(out);
        const FieldValue value = valueOf(record, field, digits);
        switch (value.type) {
        case FieldValue::Type::none:
            out = put(out, "null");
            break;
        case FieldValue::Type::text:
            *out++ = '"';
            out = putText(out, scanText(record, field.info->span, jsonText), jsonText);
            *out++ = '"';
            break;
        case FieldValue::Type::option:
            out = field.jsonItems[value.index].put(out);
            break;
        case FieldValue::Type::small:
            out = smallNumbers[value.index].put(out);
            break;
        case FieldValue::Type::number:
            out = put(out, value.digits);
            break;
        case FieldValue::Type::date:
            *out++ = '"';
            out = put(out, value.digits);
            *out++ = '"';
            break;
        case FieldValue::Type::items:
            out =
                putTickedItems(out, record, field, field.jsonItems, field.jsonNextItems, "[", "]");
            break;
        }
    }
    *out++ = '}';
    return out;
}

// A batch of clients and its export. Each client's export goes straight into
// room for the most a client can take, so the loop checks no sizes.
struct Batch {
    std::vector<ClientRecord> records;
    std::vector<char> text;
    std::size_t size = 0; // bytes of text written
};

// Exports the batch's clients; `number` counts the clients before them.
void exportBatch(Batch& batch, bool json, std::size_t number) {
    std::size_t used = 0;
    Digits digits{};
    for (const ClientRecord& record : batch.records) {
        if (batch.text.size() - used < mostPerClient)
            batch.text.resize(std::max(2 * batch.text.size(), used + mostPerClient));
        char* const start = batch.text.data() + used;
        char* out = start;
        if (json) {
            out = put(out, number++ == 0 ? "\n" : ",\n");
            out = putJsonRecord(out, record, digits);
        } else {
            out = putCsvRecord(out, record, digits);
        }
        used += static_cast<std::size_t>(out - start);
    }
    batch.size = used;
}

// Two batches exported side by side, each on a thread of its own (on the
// calling thread when no thread can be had), while the calling thread writes
// the pair before and reads the pair after.
struct BatchPair {
    Batch batches[2];
    std::future<void> exports[2];

    std::size_t clients() const { return batches[0].records.size() + batches[1].records.size(); }
    bool read(ClientFileReader& reader, std::string& error) {
        return reader.read(batches[0].records, clientBatch, error) &&
               reader.read(batches[1].records, clientBatch, error);
    }
    void start(bool json, std::size_t number) {
        for (int k = 0; k < 2; ++k) {
            try {
                exports[k] =
                    std::async(std::launch::async, exportBatch, std::ref(batches[k]), json, number);
            } catch (const std::system_error&) {
                exportBatch(batches[k], json, number);
            }
            number += batches[k].records.size();
        }
    }
    void finish() {
        for (std::future<void>& done : exports)
            if (done.valid()) done.get();
    }
    bool write(std::FILE* target) const {
        for (const Batch& batch : batches)
            if (batch.size > 0 &&
                std::fwrite(batch.text.data(), 1, batch.size, target) != batch.size)
                return false;
        return true;
    }
};

// Writes the export of the reader's records to `target`; false, with the
// reason, when a read or a write failed.
bool writeExport(ClientFileReader& reader, bool json, std::FILE* target, std::FILE* err,
                 std::string& error) {
    const std::string header = json ? "[" : csvHeader();
    bool written = std::fwrite(header.data(), 1, header.size(), target) == header.size();
    Progress progress(err, "exported", reader.facts().clients);
    BatchPair pairs[2];
    if (!pairs[0].read(reader, error)) return false;
    std::size_t number = 0;
    int current = 0;
    for (; written && pairs[current].clients() > 0; current ^= 1) {
        BatchPair& now = pairs[current];
        BatchPair& other = pairs[current ^ 1];
        now.start(json, number);
        if (number > 0) { // the pair before: written, then filled with the next
            written = other.write(target);
            progress.done(number);
        }
        number += now.clients();
        const bool read = other.read(reader, error);
        now.finish();
        if (!read) return false;
    }
    written = written && (number == 0 || pairs[current ^ 1].write(target));
    progress.done(number);
    const std::string trailer = json ? "\n]\n" : "";
    if (written && std::fwrite(trailer.data(), 1, trailer.size(), target) == trailer.size() &&
        std::fflush(target) == 0)
        return true;
    error = std::string("cannot write the export: ") + std::strerror(errno);
    return false;
}

} // namespace

int exportCommand(const ExportOptions& options, std::FILE* out, std::FILE* err) {
    const auto fail = [err](const std::string& message) {
        std::fputs(("vmrtool: " + message + "\n").c_str(), err);
        return exitFailed;
    };
    if (!options.output.empty()) {
        if (sameFile(options.output, options.input))
            return fail(options.output + " is the file being exported; write to another file");
        if (!options.force && fileExists(options.output))
            return fail(options.output + " exists; add --force to replace it");
    }
    ClientFileReader reader;
    std::string error;
    if (!reader.open(options.input, error)) return fail(error);
    const ClientFileFacts& facts = reader.facts();
    if (!facts.countSound || fileIsShort(facts))
        std::fputs(("vmrtool: warning: " + options.input +
                    " is damaged (see vmrtool check); exporting the " +
                    std::to_string(facts.clients) + " clients it holds\n")
                       .c_str(),
                   err);
    if (options.output.empty())
        return writeExport(reader, options.json, out, err, error) ? exitDone : fail(error);
    ReplacingFile file;
    if (!file.open(options.output, error)) return fail(error);
    if (!writeExport(reader, options.json, file.get(), err, error) || !file.commit(error))
        return fail(error);
    return exitDone;
}
