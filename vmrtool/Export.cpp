// vmrtool export: every client with every field, by the field's name in record
// order, as CSV for spreadsheets or as JSON for other systems.
//
// An export should cost little more than reading the file and writing the
// result, so: two threads take batches of clients in turn, each reading,
// exporting and writing its own batch while the other works on the next; each
// client's export goes straight into its batch's buffer; everything a field
// writes besides its own text (names, option and item texts, small numbers) is
// prepared once, and so is what each byte of text becomes; and what is written
// goes on to the disk while the export goes on.
#include "vmrtool/VmrTool.h"

#include "records/ClientFields.h"
#include "toolkit/Text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

char* put(char* out, std::string_view text) {
    if (!text.empty()) std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

// A short text ready to be written: kept in place and padded, so that a text
// of up to `fixedCopy` bytes goes out in one copy of that fixed size; what is
// written next overwrites the padding. A longer text is kept aside.
class Piece {
  public:
    static constexpr std::size_t fixedCopy = 32;

    explicit Piece(std::string_view text) : length(text.size()) {
        if (length <= fixedCopy)
            std::memcpy(shortBytes.data(), text.data(), length);
        else
            longBytes = text;
    }

    char* put(char* out) const {
        if (length <= fixedCopy)
            std::memcpy(out, shortBytes.data(), fixedCopy);
        else
            std::memcpy(out, longBytes.data(), length);
        return out + length;
    }
    std::size_t size() const { return length; }

  private:
    std::array<char, fixedCopy> shortBytes{};
    std::string longBytes;
    std::size_t length = 0;
};

// How one format writes each byte of a record's text: as itself or as its
// replacement, at most 6 bytes (a JSON "\u00XX"). An entry is 8 bytes long and
// goes out whole in one copy; what is written next overwrites what lies past
// its `length`. `quoted` marks the bytes that make a CSV cell need quotes.
struct TextByte {
    char bytes[6];
    std::uint8_t length;
    bool quoted;
};
static_assert(sizeof(TextByte) == 8);
using TextFormat = std::array<TextByte, 256>;

TextFormat textFormat(bool json) {
    TextFormat format{};
    const auto set = [&format](int byte, std::string_view text) {
        std::memcpy(format[byte].bytes, text.data(), text.size());
        format[byte].length = static_cast<std::uint8_t>(text.size());
    };
    for (int byte = 0; byte < 0x100; ++byte) {
        const char c = static_cast<char>(byte);
        set(byte, win1252ToUtf8(std::string_view(&c, 1)));
    }
    if (json) {
        constexpr char hex[] = "0123456789abcdef";
        for (int byte = 0; byte < 0x20; ++byte)
            set(byte, std::string("\\u00") + hex[byte >> 4] + hex[byte & 0xF]);
        set('\n', "\\n");
        set('\r', "\\r");
        set('\t', "\\t");
        set('"', "\\\"");
        set('\\', "\\\\");
    } else {
        set('"', "\"\"");
        for (const char c : {'"', ',', '\r', '\n'})
            format[static_cast<unsigned char>(c)].quoted = true;
    }
    return format;
}

// The most bytes one byte of text can become (a JSON "\u00XX").
constexpr std::size_t mostPerByte = 6;

const TextFormat csvText = textFormat(false);
const TextFormat jsonText = textFormat(true);

// A field's text: its bytes up to the terminator, at most the whole field (as
// readText reads it).
std::string_view textOf(const ClientRecord& record, FieldSpan span) {
    const char* const bytes = reinterpret_cast<const char*>(&record) + span.offset;
    return {bytes, strnlen(bytes, span.size)};
}

// The text as UTF-8 in the format, escaped; `quoted` tells whether a byte of it
// makes a CSV cell need quotes.
char* putText(char* out, std::string_view text, const TextFormat& format, bool& quoted) {
    bool anyQuoted = false;
    for (const char c : text) {
        const TextByte& byte = format[static_cast<unsigned char>(c)];
        std::memcpy(out, &byte, sizeof byte);
        out += byte.length;
        anyQuoted |= byte.quoted;
    }
    quoted = anyQuoted;
    return out;
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

// Every bit set fits in one 64-bit number.
constexpr bool bitSetsFitInWord() {
    for (const FieldInfo* field : clientFields)
        if (field->kind == FieldKind::bitSet && field->span.size > 8) return false;
    return true;
}
static_assert(bitSetsFitInWord());

// The ticked items of a bit set, the first of `first`, the others of `next`
// (which carry their separator), between `open` and `close`. The set is taken
// as one number, so that finding its set bits costs one loop per field.
char* putTickedItems(char* out, const ClientRecord& record, const ExportField& field,
                     const std::vector<Piece>& first, const std::vector<Piece>& next,
                     std::string_view open, std::string_view close) {
    const std::string_view bytes = fieldBytes(record, field);
    std::uint64_t bits = 0;
    for (std::size_t k = bytes.size(); k-- > 0;)
        bits = bits << 8 | static_cast<unsigned char>(bytes[k]);
    if (first.size() < 64)
        bits &= (std::uint64_t{1} << first.size()) - 1; // spare bits name no item
    out = put(out, open);
    const std::vector<Piece>* items = &first;
    for (; bits != 0; bits &= bits - 1) {
        out = (*items)[static_cast<std::size_t>(__builtin_ctzll(bits))].put(out);
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

// The cell is written one byte on, where the quote before it would go, and
// moved back to its place when it needs no quotes.
char* putCsvText(char* out, std::string_view text) {
    if (text.empty()) return out;
    char* const cell = out++;
    if (looksLikeFormula(text)) *out++ = '\'';
    bool quoted = false;
    out = putText(out, text, csvText, quoted);
    if (quoted) {
        *cell = '"';
        *out++ = '"';
        return out;
    }
    std::memmove(cell, cell + 1, static_cast<std::size_t>(out - cell - 1));
    return out - 1;
}

char* putCsvRecord(char* out, const ClientRecord& record, Digits& digits) {
    for (const ExportField& field : exportFields) {
        if (&field != &exportFields.front()) *out++ = ',';
        const FieldValue value = valueOf(record, field, digits);
        switch (value.type) {
        case FieldValue::Type::none:
            break;
        case FieldValue::Type::text:
            out = putCsvText(out, textOf(record, field.info->span));
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
        case FieldValue::Type::text: {
            bool quoted = false; // a CSV concern
            *out++ = '"';
            out = putText(out, textOf(record, field.info->span), jsonText, quoted);
            *out++ = '"';
            break;
        }
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

// The export's batches, shared out among threads that each take a batch from
// reading through exporting to writing, so that its clients and its text stay
// in the cache of one processor. The reads and the writes take turns in the
// batches' order; the exports run side by side.
class BatchTurns {
  public:
    BatchTurns(ClientFileReader& input, bool asJson, std::FILE* output, std::FILE* err)
        : reader(input), json(asJson), target(output),
          progress(err, "exported", input.facts().clients) {}

    // Exports the batches `first`, `first + step`, ... until the reader has no
    // more or another thread failed.
    void run(std::size_t first, std::size_t step) {
        Batch batch;
        std::string problem;
        for (std::size_t turn = first;; turn += step) {
            if (!await(readTurn, turn)) return;
            const bool read = reader.read(batch.records, clientBatch, problem);
            const bool more = read && !batch.records.empty();
            pass(readTurn, read, problem);
            if (!more) return;
            exportBatch(batch, json, turn * clientBatch);
            if (!await(writeTurn, turn)) return;
            const bool written =
                std::fwrite(batch.text.data(), 1, batch.size, target) == batch.size;
            if (written) {
                startWriteback(target);
                progress.done(turn * clientBatch + batch.records.size());
            } else {
                problem = std::string("cannot write the export: ") + std::strerror(errno);
            }
            pass(writeTurn, written, problem);
        }
    }
    bool failed() const { return hasFailed; }
    const std::string& error() const { return failure; }

  private:
    // Waits for the turn; false when a thread failed meanwhile.
    bool await(const std::size_t& next, std::size_t turn) {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return hasFailed || next == turn; });
        return !hasFailed;
    }
    // Ends the turn; the first failure's reason is the one kept.
    void pass(std::size_t& next, bool succeeded, const std::string& problem) {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            ++next;
            if (!succeeded && !hasFailed) failure = problem;
            hasFailed = hasFailed || !succeeded;
        }
        changed.notify_all();
    }

    ClientFileReader& reader;
    const bool json;
    std::FILE* const target;
    Progress progress;
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t readTurn = 0;
    std::size_t writeTurn = 0;
    bool hasFailed = false;
    std::string failure;
};

// Writes the export of the reader's records to `target`, on two threads (on
// one when no second thread can be had); false, with the reason, when a read
// or a write failed.
bool writeExport(ClientFileReader& reader, bool json, std::FILE* target, std::FILE* err,
                 std::string& error) {
    const std::string header = json ? "[" : csvHeader();
    const std::string trailer = json ? "\n]\n" : "";
    if (std::fwrite(header.data(), 1, header.size(), target) != header.size()) {
        error = std::string("cannot write the export: ") + std::strerror(errno);
        return false;
    }
    BatchTurns turns(reader, json, target, err);
    try {
        std::thread second(&BatchTurns::run, &turns, 1, 2);
        turns.run(0, 2);
        second.join();
    } catch (const std::system_error&) {
        turns.run(0, 1);
    }
    if (turns.failed()) {
        error = turns.error();
        return false;
    }
    if (std::fwrite(trailer.data(), 1, trailer.size(), target) == trailer.size() &&
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
