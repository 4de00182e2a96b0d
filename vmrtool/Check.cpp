// vmrtool check: reads a client file and reports, one line each, whatever no
// save of the program would have left in it, notes clients that are likely
// entered twice, then a summary.
#include "vmrtool/VmrTool.h"

#include "records/ClientCodec.h"
#include "records/ClientFields.h"

#include <cstring>
#include <unordered_map>
#include <utility>

namespace {

// Collects the findings and writes each as a line of its own.
class Report {
  public:
    explicit Report(std::FILE* target) : out(target) {}
    void line(const std::string& text) {
        std::fputs(text.c_str(), out);
        std::fputc('\n', out);
    }
    void finding(const std::string& text) {
        line(text);
        ++findings;
    }
    int count() const { return findings; }

  private:
    std::FILE* out;
    int findings = 0;
};

std::string itemList(const std::vector<int>& items) {
    std::string text;
    for (const int item : items)
        text += (text.empty() ? "" : ", ") + std::to_string(item);
    return text;
}

// What is wrong with one field, as the words that follow its name, or an
// empty text.
std::string fieldProblem(const ClientRecord& record, const FieldInfo& field) {
    switch (field.kind) {
    case FieldKind::text:
    case FieldKind::otherText: {
        const char* const bytes = reinterpret_cast<const char*>(&record) + field.span.offset;
        if (!std::memchr(bytes, '\0', field.span.size))
            return " has no terminator: all " + std::to_string(field.span.size) + " bytes are text";
        return {};
    }
    case FieldKind::date: {
        const std::int32_t value = readDate(record, field.span);
        if (value != 0 && !isCalendarDate(value))
            return " " + std::to_string(value) + " is not a calendar date";
        return {};
    }
    case FieldKind::yesNo: {
        const int value = readU8(record, field.span);
        if (value > 1) return " is " + std::to_string(value) + ", not 0 or 1";
        return {};
    }
    case FieldKind::choice: {
        const int value = readU8(record, field.span);
        if (value > field.items.count)
            return " is " + std::to_string(value) + ", beyond its " +
                   std::to_string(field.items.count) + " options";
        return {};
    }
    case FieldKind::bitSet: {
        std::vector<int> extra;
        for (int item = field.items.count; item < field.span.size * 8; ++item)
            if (readItem(record, field.span, item)) extra.push_back(item);
        if (!extra.empty())
            return (extra.size() > 1 ? " has bits " : " has bit ") + itemList(extra) +
                   " set beyond its " + std::to_string(field.items.count) + " items";
        return {};
    }
    case FieldKind::u8:
    case FieldKind::i16:
    case FieldKind::yesNoNever: // every value reads as one of its three answers
        return {};
    }
    return {};
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
    // its name as a message shows it.
    struct First {
        First(std::size_t firstNumber, const std::string& name)
            : number(firstNumber), shown(shownText(name)) {}
        std::size_t number;
        std::string shown;
    };

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
        std::string line;
        line.reserve(160);
        line.append("note: record ").append(std::to_string(number)).append(" ");
        line.append(shownText(name)).append(" is likely the same person as record ");
        line.append(std::to_string(first.number)).append(" ").append(first.shown);
        report.line(line.append(" (the same ").append(same).append(")"));
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
    Report report(out);
    checkHeader(facts, report);
    Progress progress(err, "checked", facts.clients);
    std::vector<ClientRecord> batch;
    std::string previousKey;
    LikelyDuplicates duplicates;
    std::size_t number = 0;
    do {
        if (!reader.read(batch, clientBatch, error)) return fail(err, error);
        for (const ClientRecord& record : batch) {
            checkRecord(record, ++number, facts, previousKey, report);
            duplicates.check(record, number, report);
            progress.done(number);
        }
    } while (!batch.empty());
    const std::string clients = counted(facts.clients, "client");
    if (report.count() == 0) {
        report.line("summary: sound, " + clients);
        return exitDone;
    }
    report.line("summary: " + counted(static_cast<std::size_t>(report.count()), "finding") + ", " +
                clients + " checked");
    return exitFindings;
}
