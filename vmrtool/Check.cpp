// vmrtool check: reads a client file and reports, one line each, whatever no
// save of the program would have left in it, then a summary.
#include "vmrtool/VmrTool.h"

#include "records/ClientCodec.h"
#include "records/ClientFields.h"

#include <cstring>

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
    std::size_t number = 0;
    do {
        if (!reader.read(batch, clientBatch, error)) return fail(err, error);
        for (const ClientRecord& record : batch) {
            checkRecord(record, ++number, facts, previousKey, report);
            progress.done(number);
        }
    } while (!batch.empty());
    const std::string clients =
        std::to_string(facts.clients) + (facts.clients == 1 ? " client" : " clients");
    if (report.count() == 0) {
        report.line("summary: sound, " + clients);
        return exitDone;
    }
    report.line("summary: " + std::to_string(report.count()) +
                (report.count() == 1 ? " finding, " : " findings, ") + clients + " checked");
    return exitFindings;
}
