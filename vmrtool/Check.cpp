// vmrtool check: reads a client file and reports, one line each, whatever no
// save of the program would have left in it, notes clients that are likely
// entered twice, then a summary.
#include "vmrtool/VmrTool.h"

#include "records/ClientCodec.h"

#include <cstring>
#include <unordered_map>
#include <utility>

namespace {

// Writes the report's lines and counts its findings.
struct Report {
    std::FILE* out;
    std::size_t findings = 0;

    void line(const std::string& text) { std::fputs((text + "\n").c_str(), out); }
    void finding(const std::string& text) {
        line(text);
        ++findings;
    }
};

// What is wrong with one field, as the words that follow its name, or an
// empty text.
std::string fieldProblem(const ClientRecord& record, const FieldInfo& field) {
    const FieldSpan span = field.span;
    const int value = readU8(record, span); // the value of a one-byte field
    const int items = field.items.count;
    switch (field.kind) {
    case FieldKind::text:
    case FieldKind::otherText:
        if (std::memchr(reinterpret_cast<const char*>(&record) + span.offset, '\0', span.size))
            return {};
        return " has no terminator: all " + std::to_string(span.size) + " bytes are text";
    case FieldKind::date: {
        const std::int32_t date = readDate(record, span);
        if (date == 0 || isCalendarDate(date)) return {};
        return " " + std::to_string(date) + " is not a calendar date";
    }
    case FieldKind::yesNo:
        return value > 1 ? " is " + std::to_string(value) + ", not 0 or 1" : "";
    case FieldKind::choice:
        if (value <= items) return {};
        return " is " + std::to_string(value) + ", beyond its " + std::to_string(items) +
               " options";
    case FieldKind::bitSet: {
        std::string extra; // the bits set beyond the items: ", 6, 7"
        for (int item = items; item < span.size * 8; ++item)
            if (readItem(record, span, item)) extra += ", " + std::to_string(item);
        if (extra.empty()) return {};
        return (extra.find(',', 1) != std::string::npos ? " has bits " : " has bit ") +
               extra.substr(2) + " set beyond its " + std::to_string(items) + " items";
    }
    default: // a count, a weight, or a yes/no/never, whose every value reads as an answer
        return {};
    }
}

// Notes clients that are likely the same person as an earlier one: the same
// name when case and repeated blanks are ignored, or the same date of birth
// (not 0) and the same last word of the name. Each client is compared with the
// first client of its name and of its birth date and word, so one pass finds
// them all.
class LikelyDuplicates {
  public:
    void check(const ClientRecord& record, std::size_t number, Report& report) {
        const std::string name = recordName(record);
        const std::string plain = plainName(name);
        if (plain.empty()) return;
        const auto sameName = byName.try_emplace(plain, number, name);
        if (!sameName.second) return note(name, number, sameName.first->second, "name", report);
        const std::int32_t birth = readDate(record, fields::birthDate.span);
        if (birth == 0) return;
        const std::string lastWord = plain.substr(plain.rfind(' ') + 1);
        const auto sameBirth =
            byBirth.try_emplace(std::to_string(birth) + ' ' + lastWord, number, name);
        if (!sameBirth.second)
            note(name, number, sameBirth.first->second, "date of birth and last word of the name",
                 report);
    }

  private:
    // The first client of a name, or of a birth date and word: its number and
    // its name.
    using First = std::pair<std::size_t, std::string>;

    // The name in lower case with its blanks, inner ones made single, taken
    // off at both ends.
    static std::string plainName(const std::string& name) {
        std::string plain;
        for (const char c : name) {
            if (c == ' ' || c == '\t') {
                if (!plain.empty() && plain.back() != ' ') plain += ' ';
            } else {
                plain += lowered(c);
            }
        }
        if (!plain.empty() && plain.back() == ' ') plain.pop_back();
        return plain;
    }

    // Windows-1252's capital letters lowered: A to Z, the accented ones and
    // the four among its extra characters.
    static char lowered(char c) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7))
            return static_cast<char>(byte + 0x20);
        if (byte == 0x8A || byte == 0x8C || byte == 0x8E) return static_cast<char>(byte + 0x10);
        return byte == 0x9F ? '\xFF' : c;
    }

    static void note(const std::string& name, std::size_t number, const First& first,
                     const char* same, Report& report) {
        report.line("note: record " + std::to_string(number) + " " + shownText(name) +
                    " is likely the same person as record " + std::to_string(first.first) + " " +
                    shownText(first.second) + " (the same " + same + ")");
    }

    std::unordered_map<std::string, First> byName;
    std::unordered_map<std::string, First> byBirth;
};

void checkHeader(const ClientFileFacts& facts, Report& report) {
    report.line("size: " + std::to_string(facts.size) + " bytes");
    report.line("version tag: " + shownText(facts.tag));
    report.line("count: " + std::to_string(facts.count));
    if (facts.size == 0) return; // a new client file: the program's first start leaves it empty
    if (facts.size < fileHeaderSize)
        report.finding("file: " + std::to_string(facts.size) + " bytes end inside the " +
                       std::to_string(fileHeaderSize) + "-byte header");
    else if (facts.tag != versionText)
        report.finding("file: the version tag is " + shownText(facts.tag) + ", not \"" +
                       versionText + "\"");
    if (!facts.countSound)
        report.finding("file: the count " + std::to_string(facts.count) +
                       " is damaged (a count lies between 0 and " + std::to_string(maxClientCount) +
                       "); checking the " + std::to_string(facts.clients) +
                       " records the file holds");
    else if (fileIsShort(facts))
        report.finding("file: the count says " + std::to_string(facts.count) + " clients (" +
                       std::to_string(usedFileSize(facts.count)) + " bytes), but the file has " +
                       std::to_string(facts.size) + " bytes");
    else if (facts.present > static_cast<std::uint64_t>(facts.count))
        report.line("note: the bytes after client " + std::to_string(facts.count) +
                    " are ignored (an earlier, longer save leaves them)");
}

// Checks one record, the number-th of the file, against the one before it.
void checkRecord(const ClientRecord& record, std::size_t number, const ClientFileFacts& facts,
                 std::string& previousKey, Report& report) {
    std::string label; // "record N "name": ", made for the record's first finding
    const auto finding = [&](const std::string& text) {
        if (label.empty())
            label = "record " + std::to_string(number) + " " + shownText(recordName(record)) + ": ";
        report.finding(label + text);
    };
    if (number == facts.clients && facts.cutBytes > 0)
        finding("the file ends after " + std::to_string(facts.cutBytes) + " of its " +
                std::to_string(clientRecordSize) + " bytes; the rest reads as zero");
    std::string key = listKey(record); // as long as the name: empty when it is
    if (key.empty()) finding("the name is empty");
    if (number > 1 && key < previousKey)
        finding("not in the list's order: it sorts before record " + std::to_string(number - 1));
    previousKey = std::move(key);
    for (const FieldInfo* field : clientFields)
        if (const std::string problem = fieldProblem(record, *field); !problem.empty())
            finding(field->name + problem);
}

} // namespace

int checkCommand(const std::string& input, std::FILE* out, std::FILE* err) {
    ClientFileReader reader;
    std::string error;
    if (!reader.open(input, error)) return fail(err, error);
    const ClientFileFacts& facts = reader.facts();
    Report report{out};
    checkHeader(facts, report);
    std::vector<ClientRecord> batch;
    std::string previousKey;
    LikelyDuplicates duplicates;
    std::size_t number = 0;
    do {
        if (!reader.read(batch, clientBatch, error)) return fail(err, error);
        for (const ClientRecord& record : batch) {
            checkRecord(record, ++number, facts, previousKey, report);
            duplicates.check(record, number, report);
            progress(err, "checked", number - 1, number, facts.clients);
        }
    } while (!batch.empty());
    const std::string clients = counted(facts.clients, "client");
    if (report.findings == 0) {
        report.line("summary: sound, " + clients);
        return exitDone;
    }
    report.line("summary: " + counted(report.findings, "finding") + ", " + clients + " checked");
    return exitFindings;
}
