// vmrtool check: the findings for each kind of damage, the lines around them
// and the exit statuses.
#include "ToolTest.h"

using namespace tooltest;

namespace {

// The finding lines: everything but the facts, notes and the summary.
std::vector<std::string> findingsOf(const std::string& out) {
    std::vector<std::string> found;
    for (const std::string& line : lines(out))
        if (line.rfind("size: ", 0) != 0 && line.rfind("version tag: ", 0) != 0 &&
            line.rfind("count: ", 0) != 0 && line.rfind("note: ", 0) != 0 &&
            line.rfind("summary: ", 0) != 0)
            found.push_back(line);
    return found;
}

std::string lastLine(const std::string& out) {
    const std::vector<std::string> all = lines(out);
    return all.empty() ? "" : all.back();
}

ClientRecord withU8(ClientRecord record, const FieldInfo& field, std::uint8_t value) {
    writeU8(record, field.span, value);
    return record;
}

ClientRecord withDate(ClientRecord record, const FieldInfo& field, std::int32_t value) {
    writeDate(record, field.span, value);
    return record;
}

std::vector<std::uint8_t> cut(std::vector<std::uint8_t> bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

} // namespace

TEST(VmrtoolCheck, ReportsEachKindOfDamage) {
    ClientRecord unterminated = client("Full");
    std::memset(unterminated.city, 'x', sizeof unterminated.city);
    ClientRecord otherBits = client("Bits");
    otherBits.genitoUrinary = 0xC1;        // items 0..5 exist: 6 and 7 do not
    otherBits.generalConditions[2] = 0x40; // item 22 ("Other") exists
    otherBits.generalConditions[3] = 0x80; // item 31 does not
    otherBits.womenConditions = 0x0F;
    const std::vector<std::uint8_t> threeSorted =
        fileOf({client("adams"), client("Baker"), client("carter")});
    const std::vector<std::uint8_t> tagged = [] {
        auto bytes = fileOf({client("a")});
        std::memcpy(bytes.data(), "1.0\x01", 4);
        return bytes;
    }();

    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        int status;
        std::vector<std::string> findings;
    } cases[] = {
        {"empty, as a first start leaves it", {}, 0, {}},
        {"sound and sorted ignoring case", threeSorted, 0, {}},
        {"trailing bytes of a longer save", withCount(threeSorted, 2), 0, {}},
        {"header only half there",
         cut(threeSorted, 4),
         1,
         {"file: 4 bytes end inside the 8-byte header"}},
        {"another version tag", tagged, 1, {"file: the version tag is \"1.0\\x01\", not \"1.01\""}},
        {"negative count",
         withCount(threeSorted, -1),
         1,
         {"file: the count -1 is damaged (a count lies between 0 and 1000000); checking the 3 "
          "records the file holds"}},
        {"count beyond the largest",
         withCount(threeSorted, 1000001),
         1,
         {"file: the count 1000001 is damaged (a count lies between 0 and 1000000); checking the "
          "3 records the file holds"}},
        {"count beyond the records",
         withCount(threeSorted, 5),
         1,
         {"file: the count says 5 clients (6213 bytes), but the file has 3731 bytes"}},
        {"last record cut",
         cut(threeSorted, 8 + 2 * clientRecordSize + 100),
         1,
         {"file: the count says 3 clients (3731 bytes), but the file has 2590 bytes",
          "record 3 \"carter\": the file ends after 100 of its 1241 bytes; the rest reads as "
          "zero"}},
        {"out of order",
         fileOf({client("b"), client("A"), client("c"), client("C")}),
         1,
         {"record 2 \"A\": not in the list's order: it sorts before record 1"}},
        {"empty name, first in order",
         fileOf({ClientRecord{}, client("a")}),
         1,
         {"record 1 \"\": the name is empty"}},
        {"text without terminator",
         fileOf({unterminated}),
         1,
         {"record 1 \"Full\": city has no terminator: all 24 bytes are text"}},
        {"dates",
         fileOf({withDate(withDate(client("d"), fields::intakeDate, 20230229), fields::birthDate,
                          20240229)}),
         1,
         {"record 1 \"d\": intakeDate 20230229 is not a calendar date"}},
        {"choices and flags",
         fileOf({withU8(
             withU8(withU8(withU8(withU8(client("e"), fields::referral, 9), fields::cycle, 4),
                           fields::hadColonic, 2),
                    fields::male, 1),
             fields::mercuryFillings, 200)}),
         1,
         {"record 1 \"e\": hadColonic is 2, not 0 or 1",
          "record 1 \"e\": referral is 9, beyond its 8 options"}},
        {"bits beyond the items",
         fileOf({otherBits}),
         1,
         {"record 1 \"Bits\": generalConditions has bit 31 set beyond its 23 items",
          "record 1 \"Bits\": genitoUrinary has bits 6, 7 set beyond its 6 items",
          "record 1 \"Bits\": womenConditions has bit 3 set beyond its 3 items"}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string path = dir.path("clients.vmr");
        writeFile(path, c.bytes);
        const ToolRun result = run({"check", path});
        EXPECT_EQ(result.status, c.status) << c.what << "\n" << result.out;
        EXPECT_EQ(findingsOf(result.out), c.findings) << c.what << "\n" << result.out;
        EXPECT_EQ(result.err, "") << c.what;
        const std::string summary = c.findings.empty()
                                        ? "summary: sound, "
                                        : "summary: " + std::to_string(c.findings.size());
        EXPECT_EQ(lastLine(result.out).rfind(summary, 0), 0u) << c.what << "\n" << result.out;
    }
}

TEST(VmrtoolCheck, FactsComeFirstAndTrailingBytesAreANote) {
    TempDir dir;
    const std::string path = dir.path("clients.vmr");
    writeFile(path, withCount(fileOf({client("a"), client("b")}), 1));
    const ToolRun result = run({"check", path});
    EXPECT_EQ(
        lines(result.out),
        (std::vector<std::string>{
            "size: 2490 bytes", "version tag: \"1.01\"", "count: 1",
            "note: the bytes after client 1 are ignored (an earlier, longer save leaves them)",
            "summary: sound, 1 client"}));
}

TEST(VmrtoolCheck, LikelyDuplicatesAreNotesNotFindings) {
    const auto born = [](const std::string& name, std::int32_t birth) {
        ClientRecord record = client(name);
        writeDate(record, fields::birthDate.span, birth);
        return record;
    };
    TempDir dir;
    const std::string path = dir.path("clients.vmr");
    // In the list's order; only a date of birth that is given counts.
    writeFile(path,
              fileOf({born("ann  lee ", 0), born("Ann Lee", 19800101), born("Bo Lee", 19900101),
                      born("Cy Ng", 19700101), born("Dee NG", 19700101), born("Ed Ng", 0),
                      born("Zed Moe", 0), born("Zoe Moe", 0), born("\xC9mile Roux", 0),
                      born("\xE9mile roux", 0)}));
    const ToolRun result = run({"check", path});
    EXPECT_EQ(result.status, 0) << result.out;
    std::vector<std::string> notes;
    for (const std::string& line : lines(result.out))
        if (line.rfind("note: ", 0) == 0) notes.push_back(line);
    EXPECT_EQ(notes, (std::vector<std::string>{
                         "note: record 2 \"Ann Lee\" is likely the same person as record 1 "
                         "\"ann  lee \" (the same name)",
                         "note: record 5 \"Dee NG\" is likely the same person as record 4 \"Cy "
                         "Ng\" (the same date of birth and last word of the name)",
                         "note: record 10 \"\xC3\xA9mile roux\" is likely the same person as "
                         "record 9 \"\xC3\x89mile Roux\" (the same name)"}));
}

TEST(VmrtoolCheck, EveryByteFFIsFoundFieldByField) {
    ClientRecord record;
    std::memset(&record, 0xFF, sizeof record);
    TempDir dir;
    const std::string path = dir.path("ff.vmr");
    writeFile(path, fileOf({record, record}));
    const ToolRun result = run({"check", path});
    EXPECT_EQ(result.status, 1);
    // Every text lacks its terminator, both dates read -1, every flag and choice
    // is 255 and every bit set ticks its spare bits; counts and mercuryFillings
    // take any value.
    std::size_t perRecord = 0;
    for (const FieldInfo* field : clientFields)
        perRecord += field->kind != FieldKind::u8 && field->kind != FieldKind::i16 &&
                     field->kind != FieldKind::yesNoNever;
    const std::vector<std::string> found = findingsOf(result.out);
    ASSERT_EQ(found.size(), 2 * perRecord) << result.out;
    std::string ff;
    for (int k = 0; k < 32; ++k)
        ff += "\xC3\xBF"; // U+00FF in UTF-8
    for (std::size_t k = 0; k < found.size(); ++k)
        EXPECT_EQ(
            found[k].rfind("record " + std::to_string(k / perRecord + 1) + " \"" + ff + "\": ", 0),
            0u)
            << found[k];
}

TEST(VmrtoolCheck, CalendarDates) {
    const struct {
        std::int32_t value;
        bool real;
    } cases[] = {
        {20231225, true},   {20240229, true},   {20000229, true},  {20230229, false},
        {19000229, false},  {20231301, false},  {20231200, false}, {20231131, false},
        {20230100, false},  {101, false},       {10101, true},     {99991231, true},
        {100000101, false}, {-20231225, false}, {0, false},        {20230431, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isCalendarDate(c.value), c.real) << c.value;
}

TEST(VmrtoolCheck, ProgressForMoreThanTenThousandClients) {
    TempDir dir;
    for (const std::size_t count : {std::size_t{10000}, std::size_t{10001}}) {
        const std::string path = dir.path("many.vmr");
        writeFile(path, fileOf(std::vector<ClientRecord>(count, client("same"))));
        const ToolRun result = run({"check", path});
        EXPECT_EQ(result.status, 0) << result.out;
        const std::vector<std::string> progress = lines(result.err);
        if (count == 10000) {
            EXPECT_TRUE(progress.empty()) << result.err;
            continue;
        }
        ASSERT_EQ(progress.size(), 10u) << result.err;
        EXPECT_EQ(progress.front(), "vmrtool: checked 1001 of 10001 clients");
        EXPECT_EQ(progress.back(), "vmrtool: checked 10001 of 10001 clients");
    }
}

TEST(VmrtoolCheck, UnreadableFilesExitTwo) {
    TempDir dir;
    const struct {
        std::string path;
        const char* message;
    } cases[] = {
        {dir.path("missing.vmr"), "No such file or directory"},
        {dir.path(""), "Is a directory"},
    };
    for (const auto& c : cases) {
        const ToolRun result = run({"check", c.path});
        EXPECT_EQ(result.status, 2) << c.path;
        EXPECT_EQ(result.out, "") << c.path;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(lines(result.err).size(), 1u) << result.err;
    }
}
