// vmrtool export: every client with every field, by the field's name in record
// order, as CSV for spreadsheets or as JSON for other systems. The cells come
// from the columns, and a table made once for each format tells what each
// byte of a text becomes. A batch of clients is written into memory and goes
// out in one piece.
#include "vmrtool/VmrTool.h"

#include "toolkit/text/Text.h"

#include <array>
#include <cerrno>
#include <cstring>

namespace {

// What each byte of a text becomes in a format: itself, or two bytes or more
// (its UTF-8 form, an escape, the doubled quote of a CSV cell).
using ByteTexts = std::array<std::string, 0x100>;

ByteTexts byteTexts(bool json) {
    ByteTexts texts;
    for (int byte = 0; byte < 0x100; ++byte) {
        const char c = static_cast<char>(byte);
        std::string& text = texts[byte] = win1252ToUtf8(std::string_view(&c, 1));
        if (json && (byte < 0x20 || c == '"' || c == '\\')) {
            constexpr char hex[] = "0123456789abcdef";
            const std::string_view named = c == '\n' ? "n" : c == '\r' ? "r" : c == '\t' ? "t" : "";
            text = byte >= 0x20    ? std::string{'\\', c}
                   : named.empty() ? std::string("\\u00") + hex[byte >> 4] + hex[byte & 0xF]
                                   : '\\' + std::string(named);
        } else if (!json && c == '"') {
            text = "\"\"";
        }
    }
    return texts;
}

const ByteTexts csvBytes = byteTexts(false);
const ByteTexts jsonBytes = byteTexts(true);

// Appends a text, each byte as what it becomes in the format; runs of bytes
// that stay as they are go in whole.
void putText(std::string& out, std::string_view text, const ByteTexts& texts) {
    std::size_t run = 0;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const std::string& to = texts[static_cast<unsigned char>(text[k])];
        if (to.size() == 1) continue;
        out.append(text, run, k - run) += to;
        run = k + 1;
    }
    out.append(text, run);
}

// A text: a JSON string, or a CSV cell, in quotes when it holds a separator,
// a line break or a quote, and after the guard's apostrophe when a
// spreadsheet would take it for a formula. The guard looks only at
// apostrophes and ASCII signs, which the cell holds as the text does.
void putTextCell(std::string& out, std::string_view text, bool json) {
    const bool quotes = json || text.find_first_of(",\r\n\"") != std::string_view::npos;
    if (quotes) out += '"';
    if (!json && needsGuard(text)) out += '\'';
    putText(out, text, json ? jsonBytes : csvBytes);
    if (quotes) out += '"';
}

// A number, plain even when negative; 0 (not answered) is an empty CSV cell
// or null.
void putNumber(std::string& out, long value, bool json) {
    out += value != 0 ? std::to_string(value) : json ? "null" : "";
}

// A date: YYYY-MM-DD for a calendar day (a JSON string), otherwise its number.
void putDate(std::string& out, std::int32_t value, bool json) {
    if (!isCalendarDate(value)) return putNumber(out, value, json);
    char date[40];
    std::snprintf(date, sizeof date, json ? "\"%04d-%02d-%02d\"" : "%04d-%02d-%02d", value / 10000,
                  value / 100 % 100, value % 100);
    out += date;
}

// The ticked items of a bit set: "a; b" in CSV, ["a","b"] in JSON.
void putItems(std::string& out, const ClientRecord& record, const Column& column, bool json) {
    const std::string_view quote = json ? "\"" : "";
    const char* separator = "";
    if (json) out += '[';
    for (std::size_t item = 0; item < column.items.size(); ++item) {
        if (!readItem(record, column.field->span, static_cast<int>(item))) continue;
        out.append(separator).append(quote).append(column.items[item]).append(quote);
        separator = json ? "," : "; ";
    }
    if (json) out += ']';
}

// One client: a CSV row ending in CR LF, or a JSON object.
void putClient(std::string& out, const ClientRecord& record, bool json) {
    const std::vector<Column>& columns = exportColumns();
    for (std::size_t k = 0; k < columns.size(); ++k) {
        const Column& column = columns[k];
        const FieldSpan span = column.field->span;
        if (json)
            out.append(k == 0 ? "{\"" : ",\"").append(column.name) += "\":";
        else if (k > 0)
            out += ',';
        switch (column.field->kind) {
        case FieldKind::text:
        case FieldKind::otherText:
            putTextCell(out, readText(record, span), json);
            break;
        case FieldKind::date:
            putDate(out, readDate(record, span), json);
            break;
        case FieldKind::i16:
            putNumber(out, readI16(record, span), json);
            break;
        case FieldKind::bitSet:
            putItems(out, record, column, json);
            break;
        default:
            out += (json ? column.jsonCells : column.byteCells)[readU8(record, span)];
        }
    }
    out += json ? "}" : "\r\n";
}

std::string csvHeader() {
    std::string header = "\xEF\xBB\xBF"; // the byte-order mark: the text is UTF-8
    for (const Column& column : exportColumns())
        header.append(column.name) += ',';
    header.back() = '\r';
    return header + "\n";
}

// Writes the export of the reader's records to `target`; false, with the
// reason, when a read or a write failed.
bool writeExport(ClientFileReader& reader, bool json, std::FILE* target, std::FILE* err,
                 std::string& error) {
    std::string text = json ? "[" : csvHeader(); // the batch's text
    std::vector<ClientRecord> batch;
    std::size_t done = 0;
    bool written = true;
    do {
        if (!reader.read(batch, clientBatch, error)) return false;
        for (const ClientRecord& record : batch) {
            if (json) text += done == 0 ? "\n" : ",\n";
            ++done;
            putClient(text, record, json);
        }
        written = std::fwrite(text.data(), 1, text.size(), target) == text.size();
        text.clear();
        progress(err, "exported", done - batch.size(), done, reader.facts().clients);
    } while (written && !batch.empty());
    const std::string_view trailer = json ? "\n]\n" : "";
    if (written && std::fwrite(trailer.data(), 1, trailer.size(), target) == trailer.size() &&
        std::fflush(target) == 0)
        return true;
    error = std::string("cannot write the export: ") + std::strerror(errno);
    return false;
}

} // namespace

int exportCommand(const Options& options, std::FILE* out, std::FILE* err) {
    if (const std::string problem = outputProblem(options, "exported"); !problem.empty())
        return fail(err, problem);
    ClientFileReader reader;
    std::string error;
    if (!reader.open(options.input, error)) return fail(err, error);
    const ClientFileFacts& facts = reader.facts();
    if (!facts.countSound || fileIsShort(facts))
        fail(err, "warning: " + options.input + " is damaged (see vmrtool check); exporting the " +
                      std::to_string(facts.clients) + " clients it holds");
    const bool json = options.format == "json";
    if (options.output.empty())
        return writeExport(reader, json, out, err, error) ? exitDone : fail(err, error);
    ReplacingFile file;
    if (!file.open(options.output, error) || !writeExport(reader, json, file.get(), err, error) ||
        !file.commit(error))
        return fail(err, error);
    return exitDone;
}
