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
#include "records/LittleEndian.h"
#include "toolkit/text/Text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace {

char* put(char* out, std::string_view text) {
    if (!text.empty()) std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

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

// A text field's bytes: its text runs up to the terminator, at most the whole
// field (as readText reads it).
std::string_view textOf(const std::uint8_t* record, FieldSpan span) {
    return {reinterpret_cast<const char*>(record) + span.offset, span.size};
}

// The text of the field's bytes as UTF-8 in the format, escaped; `quoted` tells
// whether a byte of it makes a CSV cell need quotes. The terminator is found on
// the way, in the one pass over the bytes.
char* putText(char* out, std::string_view bytes, const TextFormat& format, bool& quoted) {
    bool anyQuoted = false;
    for (const char c : bytes) {
        if (c == '\0') break;
        const TextByte& byte = format[static_cast<unsigned char>(c)];
        std::memcpy(out, &byte, sizeof byte);
        out += byte.length;
        anyQuoted |= byte.quoted;
    }
    quoted = anyQuoted;
    return out;
}

// The cells one byte of a field can make, in one format: for each of the 256
// values its ready text. A text of up to `fixedCopy` bytes goes out in one copy
// of that fixed size; what is written next overwrites the padding.
class ByteCells {
  public:
    static constexpr std::size_t fixedCopy = 32;

    // `cellOf` gives the text of each byte value.
    template <typename CellOf> explicit ByteCells(CellOf cellOf) {
        for (int value = 0; value < 0x100; ++value) {
            bytes += cellOf(static_cast<std::uint8_t>(value));
            ends[static_cast<std::size_t>(value) + 1] = static_cast<std::uint32_t>(bytes.size());
        }
        bytes.append(fixedCopy, '\0');
    }

    std::string_view operator[](std::uint8_t value) const {
        return {bytes.data() + ends[value], ends[value + 1u] - ends[value]};
    }
    // A cell, or the end of one: the fixed copy may read past its end.
    static char* put(char* out, std::string_view cell) {
        if (cell.size() <= fixedCopy)
            std::memcpy(out, cell.data(), fixedCopy);
        else
            std::memcpy(out, cell.data(), cell.size());
        return out + cell.size();
    }

  private:
    std::string bytes;                       // the cells one after another, then padding
    std::array<std::uint32_t, 0x101> ends{}; // cell `v` runs from ends[v] to ends[v + 1]
};

// The text of a one-byte field's value in either format: a count, an option or,
// for a value that names no option, its number; empty (null) when not answered.
std::string byteCell(const FieldInfo& field, std::uint8_t value, bool json) {
    const auto option = [&](int index) {
        const std::string text = field.items.texts[index];
        return json ? "\"" + text + "\"" : text;
    };
    const std::string none = json ? "null" : "";
    switch (field.kind) {
    case FieldKind::u8:
        return value == 0 ? none : std::to_string(value);
    case FieldKind::yesNo:
        // The options run "Yes", "No" (or "Male", "Female"): 1 is the first, 0 the second.
        return value > 1 ? std::to_string(value) : option(1 - value);
    case FieldKind::yesNoNever:
        return option(value == 1 ? 0 : value == 0 ? 1 : 2);
    case FieldKind::choice:
        if (value == 0) return none;
        return value > field.items.count ? std::to_string(value) : option(value - 1);
    default:
        return none;
    }
}

// Item `item` of a bit set after its separator (the first one written drops
// it); nothing for a spare bit, which names no item.
std::string itemCell(const FieldInfo& field, std::uint8_t item, bool json) {
    if (item >= field.items.count) return "";
    const std::string text = field.items.texts[item];
    return json ? ",\"" + text + "\"" : "; " + text;
}

// One field as the export writes it, prepared once from the catalogue.
struct ExportField {
    FieldKind kind;
    FieldSpan span;
    std::string jsonKey; // the separator and the quoted name
    // For a one-byte field, the cells of its values; for a bit set, its items'.
    std::optional<ByteCells> csvCells;
    std::optional<ByteCells> jsonCells;
    std::size_t most; // the most bytes its value can take in either format
};

const std::vector<ExportField> exportFields = [] {
    std::vector<ExportField> plan;
    for (const FieldInfo* field : clientFields) {
        ExportField entry{field->kind,
                          field->span,
                          (plan.empty() ? "{\"" : ",\"") + std::string(field->name) + "\":",
                          {},
                          {},
                          field->span.size * mostPerByte + 16}; // quotes, formula guard, digits
        for (int k = 0; k < field->items.count; ++k)
            entry.most += std::strlen(field->items.texts[k]) + 4; // quoted, and a separator
        entry.most += entry.jsonKey.size();
        const bool bitSet = field->kind == FieldKind::bitSet;
        const bool byteValue = field->kind == FieldKind::u8 || field->kind == FieldKind::yesNo ||
                               field->kind == FieldKind::yesNoNever ||
                               field->kind == FieldKind::choice;
        if (bitSet || byteValue)
            for (const bool json : {false, true})
                (json ? entry.jsonCells : entry.csvCells).emplace([&](std::uint8_t value) {
                    return bitSet ? itemCell(*field, value, json) : byteCell(*field, value, json);
                });
        plan.push_back(std::move(entry));
    }
    return plan;
}();

// The most bytes one client can take, with its separators, its line end and
// room for the padding of a last cell.
const std::size_t mostPerClient = [] {
    std::size_t most = 8 + ByteCells::fixedCopy;
    for (const ExportField& field : exportFields)
        most += field.most;
    return most;
}();

// Room for the digits of any number: to_chars writes no more than it needs.
char* putNumber(char* out, long value) { return std::to_chars(out, out + 24, value).ptr; }

// YYYYMMDD as YYYY-MM-DD.
char* putCalendarDate(char* out, std::int32_t value) {
    for (int k = 9; k >= 0; --k) {
        if (k == 4 || k == 7) {
            out[k] = '-';
            continue;
        }
        out[k] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return out + 10;
}

std::uint8_t byteOf(const std::uint8_t* record, const ExportField& field, std::size_t k = 0) {
    return record[field.span.offset + k];
}

// The numbers of a record's bytes, read as the record's own operations read them.
std::int32_t dateOf(const std::uint8_t* record, FieldSpan span) {
    return signed32(readLittleEndian(record + span.offset, 4));
}

std::int16_t i16Of(const std::uint8_t* record, FieldSpan span) {
    return signed16(readLittleEndian(record + span.offset, 2));
}

// Every bit set fits in one 64-bit number.
constexpr bool bitSetsFitInWord() {
    for (const FieldInfo* field : clientFields)
        if (field->kind == FieldKind::bitSet && field->span.size > 8) return false;
    return true;
}
static_assert(bitSetsFitInWord());

// The ticked items of a bit set; the first one written drops its separator of
// `separator` bytes. The set is taken as one number, so that finding its set
// bits costs one loop per field.
char* putTickedItems(char* out, const std::uint8_t* record, const ExportField& field,
                     const ByteCells& items, std::size_t separator) {
    std::uint64_t bits = 0;
    for (std::size_t k = field.span.size; k-- > 0;)
        bits = bits << 8 | byteOf(record, field, k);
    const char* const start = out;
    for (; bits != 0; bits &= bits - 1) {
        std::string_view cell = items[static_cast<std::uint8_t>(__builtin_ctzll(bits))];
        if (out == start && !cell.empty()) cell.remove_prefix(separator);
        out = ByteCells::put(out, cell);
    }
    return out;
}

// CSV -------------------------------------------------------------------------

// A leading "=", "+", "-" or "@" would make a spreadsheet read the cell as a
// formula; a single quote before it keeps the cell plain text. Option and item
// texts start with none of them; a negative number does. The four lie within
// 32 bytes of '+', so one mask holds them.
bool startsFormula(char first) {
    constexpr unsigned formulaMask =
        1u << ('+' - '+') | 1u << ('-' - '+') | 1u << ('=' - '+') | 1u << ('@' - '+');
    const unsigned distance = static_cast<unsigned char>(first) - unsigned{'+'};
    return distance < 32 && (formulaMask >> distance & 1u) != 0;
}

// The cell is written as it stands and moved one byte on, for the quote before
// it, when it needs quotes.
char* putCsvText(char* out, std::string_view text) {
    char* const cell = out;
    *out = '\'';
    out += startsFormula(text[0]);
    bool quoted = false;
    out = putText(out, text, csvText, quoted);
    if (!quoted) return out;
    std::memmove(cell + 1, cell, static_cast<std::size_t>(out - cell));
    *cell = '"';
    out[1] = '"';
    return out + 2;
}

// A number, the guard before a negative one, nothing for 0 (not answered).
char* putCsvNumber(char* out, long value) {
    if (value == 0) return out;
    if (value < 0) *out++ = '\'';
    return putNumber(out, value);
}

// Each cell is followed by a comma; the last comma becomes the line end.
char* putCsvRecord(char* out, const std::uint8_t* record) {
    for (const ExportField& field : exportFields) {
        const FieldSpan span = field.span;
        switch (field.kind) {
        case FieldKind::text:
        case FieldKind::otherText:
            out = putCsvText(out, textOf(record, span));
            break;
        case FieldKind::date:
            if (const std::int32_t value = dateOf(record, span); isCalendarDate(value))
                out = putCalendarDate(out, value);
            else
                out = putCsvNumber(out, value);
            break;
        case FieldKind::i16:
            out = putCsvNumber(out, i16Of(record, span));
            break;
        case FieldKind::bitSet:
            out = putTickedItems(out, record, field, *field.csvCells, 2); // "; "
            break;
        default:
            out = ByteCells::put(out, (*field.csvCells)[byteOf(record, field)]);
            break;
        }
        *out++ = ',';
    }
    out[-1] = '\r';
    *out++ = '\n';
    return out;
}

std::string csvHeader() {
    std::string header = "\xEF\xBB\xBF"; // the byte-order mark: the text is UTF-8
    for (const FieldInfo* field : clientFields)
        header += (field == clientFields[0] ? "" : ",") + std::string(field->name);
    return header + "\r\n";
}

// JSON ------------------------------------------------------------------------

// A number, null for 0 (not answered).
char* putJsonNumber(char* out, long value) {
    return value == 0 ? put(out, "null") : putNumber(out, value);
}

char* putJsonRecord(char* out, const std::uint8_t* record) {
    for (const ExportField& field : exportFields) {
        out = put(out, field.jsonKey);
        const FieldSpan span = field.span;
        switch (field.kind) {
        case FieldKind::text:
        case FieldKind::otherText: {
            bool quoted = false; // a CSV concern
            *out++ = '"';
            out = putText(out, textOf(record, span), jsonText, quoted);
            *out++ = '"';
            break;
        }
        case FieldKind::date:
            if (const std::int32_t value = dateOf(record, span); isCalendarDate(value)) {
                *out++ = '"';
                out = putCalendarDate(out, value);
                *out++ = '"';
            } else {
                out = putJsonNumber(out, value);
            }
            break;
        case FieldKind::i16:
            out = putJsonNumber(out, i16Of(record, span));
            break;
        case FieldKind::bitSet:
            *out++ = '[';
            out = putTickedItems(out, record, field, *field.jsonCells, 1); // ","
            *out++ = ']';
            break;
        default:
            out = ByteCells::put(out, (*field.jsonCells)[byteOf(record, field)]);
            break;
        }
    }
    *out++ = '}';
    return out;
}

// Why the last write of the export failed.
std::string exportWriteProblem() {
    return std::string("cannot write the export: ") + std::strerror(errno);
}

// A batch of clients and its export. Each client's export goes straight into
// room for the most a client can take, so the loop checks no sizes.
struct Batch {
    std::vector<ClientRecord> buffer; // the records, where they are read
    RecordBytes records;
    std::vector<char> text;
    std::size_t size = 0; // bytes of text written
};

// Exports the batch's clients.
void exportBatch(Batch& batch, bool json) {
    std::size_t used = 0;
    for (std::size_t k = 0; k < batch.records.count; ++k) {
        const std::uint8_t* const record = batch.records.bytes + k * clientRecordSize;
        if (batch.text.size() - used < mostPerClient)
            batch.text.resize(std::max(2 * batch.text.size(), used + mostPerClient));
        char* const start = batch.text.data() + used;
        char* out = start;
        if (json) {
            out = put(out, batch.records.first + k == 0 ? "\n" : ",\n");
            out = putJsonRecord(out, record);
        } else {
            out = putCsvRecord(out, record);
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
    BatchTurns(ClientFileReader& input, bool asJson, std::FILE* output, bool early, std::FILE* err)
        : reader(input), json(asJson), target(output), writeBack(early),
          progress(err, "exported", input.facts().clients) {}

    // Exports the batches `first`, `first + step`, ... until the reader has no
    // more or another thread failed.
    void run(std::size_t first, std::size_t step) {
        Batch batch;
        std::string problem;
        for (std::size_t turn = first;; turn += step) {
            if (!await(readTurn, turn)) return;
            const bool read = reader.view(clientBatch, batch.buffer, batch.records, problem);
            const bool more = read && batch.records.count != 0;
            pass(readTurn, read, problem);
            if (!more) return;
            exportBatch(batch, json);
            if (!await(writeTurn, turn)) return;
            const bool written =
                std::fwrite(batch.text.data(), 1, batch.size, target) == batch.size;
            if (written) {
                if (writeBack) startWriteback(target);
                progress.done(batch.records.first + batch.records.count);
            } else {
                problem = exportWriteProblem();
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
    const bool writeBack; // start putting each batch on disk once written
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
// or a write failed. `writeBack`: the target is to be renamed over a file.
bool writeExport(ClientFileReader& reader, bool json, std::FILE* target, bool writeBack,
                 std::FILE* err, std::string& error) {
    const std::string header = json ? "[" : csvHeader();
    const std::string trailer = json ? "\n]\n" : "";
    if (std::fwrite(header.data(), 1, header.size(), target) != header.size()) {
        error = exportWriteProblem();
        return false;
    }
    BatchTurns turns(reader, json, target, writeBack, err);
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
    error = exportWriteProblem();
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
