// vmrtool export: CSV and JSON read back by Python's csv and json modules and
// compared field by field; stdout, empty files and the output's safety.
#include "ToolTest.h"

#include "toolkit/text/Text.h"

#include <map>

using namespace tooltest;

namespace {

// One field's expected export: the CSV cell as a reader returns it, and the
// JSON value as JSON text.
struct Expected {
    std::string csv;
    std::string json;
};
using ExpectedRow = std::map<std::string, Expected>;

std::string quotedJson(const std::string& text) { return "\"" + text + "\""; }

std::string joinedItems(const ItemList& items, const char* separator) {
    std::string joined;
    for (int k = 0; k < items.count; ++k)
        joined += (k ? separator : "") + std::string(items.texts[k]);
    return joined;
}

// A record of zero bytes: nothing answered.
ExpectedRow emptyRow() {
    ExpectedRow row;
    for (const FieldInfo* field : clientFields) {
        switch (field->kind) {
        case FieldKind::text:
        case FieldKind::otherText:
            row[field->name] = {"", "\"\""};
            break;
        case FieldKind::yesNo:
        case FieldKind::yesNoNever: {
            const std::string no = field->items.texts[1];
            row[field->name] = {no, quotedJson(no)};
            break;
        }
        case FieldKind::bitSet:
            row[field->name] = {"", "[]"};
            break;
        default:
            row[field->name] = {"", "null"};
        }
    }
    return row;
}

// A record of 0xFF bytes: full texts of "ÿ", -1 for dates and weight (plain
// numbers, no formula guard), 255 for counts, flags and choices, "Never",
// every item ticked.
ExpectedRow allFFRow() {
    ExpectedRow row;
    for (const FieldInfo* field : clientFields) {
        std::string text;
        switch (field->kind) {
        case FieldKind::text:
        case FieldKind::otherText:
            for (int k = 0; k < field->span.size; ++k)
                text += "\xC3\xBF";
            row[field->name] = {text, quotedJson(text)};
            break;
        case FieldKind::date:
        case FieldKind::i16:
            row[field->name] = {"-1", "-1"};
            break;
        case FieldKind::yesNoNever:
            row[field->name] = {"Never", "\"Never\""};
            break;
        case FieldKind::bitSet:
            row[field->name] = {joinedItems(field->items, "; "),
                                "[\"" + joinedItems(field->items, "\",\"") + "\"]"};
            break;
        default:
            row[field->name] = {"255", "255"};
        }
    }
    return row;
}

struct Sample {
    ClientRecord record;
    ExpectedRow expected;
};

// Values that test every conversion and every escape.
Sample edgeValues() {
    Sample s{client("=SUM(A1)"), emptyRow()};
    ClientRecord& r = s.record;
    const auto text = [&](const FieldInfo& field, const std::string& value, Expected expected) {
        writeText(r, field.span, value);
        s.expected[field.name] = std::move(expected);
    };
    const auto u8 = [&](const FieldInfo& field, std::uint8_t value, Expected expected) {
        writeU8(r, field.span, value);
        s.expected[field.name] = std::move(expected);
    };
    s.expected["name"] = {"'=SUM(A1)", "\"=SUM(A1)\""};
    writeDate(r, fields::intakeDate.span, 20231225);
    s.expected["intakeDate"] = {"2023-12-25", "\"2023-12-25\""};
    writeDate(r, fields::birthDate.span, 20230229);
    s.expected["birthDate"] = {"20230229", "20230229"};
    writeI16(r, fields::weight.span, -5);
    s.expected["weight"] = {"-5", "-5"};
    text(fields::city, "K\xF6ln", {"K\xC3\xB6ln", "\"K\xC3\xB6ln\""});
    text(fields::state, "CA", {"CA", "\"CA\""});
    text(fields::occupation, "+1 \"dev\"", {"'+1 \"dev\"", "\"+1 \\\"dev\\\"\""});
    text(fields::prescriptions, "Aspirin, 1/day\r\nIbuprofen \"as needed\"\r\n",
         {"Aspirin, 1/day\r\nIbuprofen \"as needed\"\r\n",
          "\"Aspirin, 1/day\\r\\nIbuprofen \\\"as needed\\\"\\r\\n\""});
    text(fields::otcMedications,
         "\x80"
         "5 @night",
         {"\xE2\x82\xAC"
          "5 @night",
          "\"\xE2\x82\xAC"
          "5 @night\""});
    text(fields::supplements, "@home", {"'@home", "\"@home\""});
    // A text's own apostrophes before a formula sign get the guard as well, so
    // that taking the guard off again gives the text back; others stay bare.
    text(fields::colonDiagnosis, "'=1", {"''=1", "\"'=1\""});
    text(fields::colonoscopyWhen, "'til May", {"'til May", "\"'til May\""});
    text(fields::toxicWhat, "lead, mercury", {"lead, mercury", "\"lead, mercury\""});
    text(fields::elaboration,
         "a\x01"
         "b\tc\\d",
         {"a\x01"
          "b\tc\\d",
          "\"a\\u0001b\\tc\\\\d\""});
    text(fields::painMedicationHowOften, "\x92\x81\x8D\x9F",
         {"\xE2\x80\x99\xC2\x81\xC2\x8D\xC5\xB8", "\"\\u2019\\u0081\\u008d\\u0178\""});
    text(fields::generalOther, "-x", {"'-x", "\"-x\""});
    u8(fields::male, 1, {"Male", "\"Male\""});
    u8(fields::age, 255, {"255", "255"});
    u8(fields::hadColonic, 1, {"Yes", "\"Yes\""});
    u8(fields::colonicCount, 12, {"12", "12"});
    u8(fields::referral, 4, {"Health care Practioner", "\"Health care Practioner\""});
    u8(fields::cycle, 5, {"5", "5"});
    u8(fields::mercuryFillings, mercuryNever, {"Never", "\"Never\""});
    u8(fields::fillingsRemoved, 7, {"7", "7"});
    u8(fields::removedOrgans, 0x0A, {"appendix; uterus", "[\"appendix\",\"uterus\"]"});
    // Items 0 and 22 exist; bit 30 lies beyond the list and is not exported.
    r.generalConditions[0] = 0x01;
    r.generalConditions[2] = 0x40;
    r.generalConditions[3] = 0x40;
    s.expected["generalConditions"] = {"Allergies; Other", "[\"Allergies\",\"Other\"]"};
    return s;
}

Sample allFF() {
    Sample s{{}, allFFRow()};
    std::memset(&s.record, 0xFF, sizeof s.record);
    return s;
}

std::string hex(const std::string& bytes) {
    constexpr char digits[] = "0123456789abcdef";
    std::string text;
    for (const char c : bytes) {
        text += digits[static_cast<unsigned char>(c) >> 4];
        text += digits[static_cast<unsigned char>(c) & 0xF];
    }
    return text;
}

void writeExpected(const std::string& path, const std::vector<Sample>& samples) {
    std::ofstream file(path, std::ios::binary);
    for (std::size_t row = 0; row < samples.size(); ++row)
        for (const FieldInfo* field : clientFields) {
            const Expected& e = samples[row].expected.at(field->name);
            file << row << '\t' << field->name << '\t' << hex(e.csv) << '\t' << hex(e.json) << '\n';
        }
}

// Runs a command line and returns its status, output and messages together.
std::pair<int, std::string> shell(const std::string& command) {
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

const std::string readerScript = (fs::path(__FILE__).parent_path() / "read_export.py").string();

// Exports the samples as CSV and as JSON and lets Python's csv and json
// modules compare every field with the expected values; the script's status
// and report.
std::pair<int, std::string> readBackWithPython(const std::vector<Sample>& samples) {
    std::vector<ClientRecord> records;
    for (const Sample& s : samples)
        records.push_back(s.record);
    TempDir dir;
    writeFile(dir.path("clients.vmr"), fileOf(records));
    writeExpected(dir.path("expected.tsv"), samples);
    if (run({"export", dir.path("clients.vmr"), "--output", dir.path("out.csv")}).status != 0 ||
        run({"export", dir.path("clients.vmr"), "--format", "json", "--output",
             dir.path("out.json")})
                .status != 0)
        return {-1, "the export failed"};
    return shell("python3 " + readerScript + " " + dir.path("expected.tsv") + " " +
                 dir.path("out.csv") + " " + dir.path("out.json"));
}

} // namespace

TEST(VmrtoolExport, PythonReadsBackEveryField) {
    Sample named = {client("Smith, \"Jo\""), emptyRow()};
    named.expected["name"] = {"Smith, \"Jo\"", "\"Smith, \\\"Jo\\\"\""};
    const std::vector<Sample> samples = {
        edgeValues(), allFF(), {ClientRecord{}, emptyRow()}, named};
    const auto [status, output] = readBackWithPython(samples);
    EXPECT_TRUE(status == 0 &&
                output.find("4 clients, 69 fields, 0 differences") != std::string::npos)
        << output;
}

namespace {

// What a CSV reader and a JSON parser should give for a text, worked out
// plainly, a character at a time.
Expected expectedText(const std::string& win1252) {
    const std::string utf8 = win1252ToUtf8(win1252);
    const bool formula = !utf8.empty() && std::string("=+-@").find(utf8[0]) != std::string::npos;
    std::string json = "\"";
    for (const char c : utf8) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
            json += escape;
        } else {
            json += c;
        }
    }
    return {(formula ? "'" : "") + utf8, json + "\""};
}

// Puts `text` into a field byte for byte: a text as long as the field has no
// terminator; after a shorter one's terminator come bytes that must not count.
void putField(ClientRecord& record, const FieldInfo& field, const std::string& text) {
    auto* bytes = reinterpret_cast<char*>(&record) + field.span.offset;
    std::memset(bytes, '"', field.span.size);
    std::memcpy(bytes, text.data(), text.size());
    if (text.size() < field.span.size) {
        bytes[text.size()] = '\0';
        for (std::size_t k = text.size() + 1; k < field.span.size; ++k)
            bytes[k] = ",\"\r\n\x01\\\xFF"[k % 7];
    }
}

} // namespace

TEST(VmrtoolExport, TextsEndAndEscapeRightAtEveryByte) {
    // name: four whole words; state: three bytes, its word reaching into
    // occupation; prescriptions: 180 bytes, the last word cut.
    const FieldInfo* const tested[] = {&fields::name, &fields::state, &fields::prescriptions};
    const char specials[] = {',', '"', '\r', '\n', '\x01', '\\', '\x80', '\xFF', '=', 'x'};
    std::vector<Sample> samples;
    for (const FieldInfo* field : tested) {
        const std::size_t size = field->span.size;
        for (const std::size_t length :
             {0, 1, 2, 3, 7, 8, 9, 15, 16, 17, 31, 32, 175, 176, 179, 180}) {
            if (length > size) continue;
            for (const char special : specials)
                for (const std::size_t place : {std::size_t{0}, length / 2, length - 1}) {
                    if (length == 0 && place > 0) break;
                    std::string text(length, 'a');
                    if (length > 0) text[place] = special;
                    Sample sample{{}, emptyRow()};
                    putField(sample.record, *field, text);
                    sample.expected[field->name] = expectedText(text);
                    if (field == &fields::state) {
                        putField(sample.record, fields::occupation, "\",-");
                        sample.expected["occupation"] = expectedText("\",-");
                    }
                    samples.push_back(sample);
                }
        }
    }
    const auto [status, output] = readBackWithPython(samples);
    EXPECT_TRUE(status == 0 && output.find(" 0 differences") != std::string::npos) << output;
}

TEST(VmrtoolExport, StandardOutputHoldsTheSameBytes) {
    TempDir dir;
    const std::string input = dir.path("clients.vmr");
    writeFile(input, fileOf({edgeValues().record, client("b")}));
    for (const char* format : {"csv", "json"}) {
        const std::string output = dir.path(std::string("out.") + format);
        ASSERT_EQ(run({"export", input, "--format", format, "--output", output}).status, 0);
        const ToolRun piped = run({"export", input, "--format", format});
        EXPECT_EQ(piped.status, 0) << piped.err;
        EXPECT_EQ(piped.out, readFile(output)) << format;
    }
}

TEST(VmrtoolExport, ClientsStayInOrderAcrossBatches) {
    // The export works through batches of 1024 clients.
    for (const std::size_t count : {std::size_t{1024}, std::size_t{2049}, std::size_t{4100}}) {
        std::vector<ClientRecord> records;
        for (std::size_t k = 0; k < count; ++k)
            records.push_back(client("c" + std::to_string(k)));
        TempDir dir;
        writeFile(dir.path("many.vmr"), fileOf(records));
        const std::vector<std::string> json =
            lines(run({"export", dir.path("many.vmr"), "--format", "json"}).out);
        ASSERT_EQ(json.size(), count + 2) << count;
        EXPECT_EQ(json.front(), "[");
        EXPECT_EQ(json.back(), "]");
        const std::vector<std::string> csv = lines(run({"export", dir.path("many.vmr")}).out);
        ASSERT_EQ(csv.size(), count + 1) << count;
        for (std::size_t k = 0; k < count; ++k) {
            const std::string name = "c" + std::to_string(k);
            EXPECT_EQ(json[k + 1].rfind("{\"name\":\"" + name + "\",", 0), 0u) << json[k + 1];
            EXPECT_EQ(json[k + 1].back(), k + 1 == count ? '}' : ',') << k;
            EXPECT_EQ(csv[k + 1].rfind(name + ",", 0), 0u) << csv[k + 1];
        }
    }
}

TEST(VmrtoolExport, NoClients) {
    TempDir dir;
    writeFile(dir.path("empty.vmr"), {});
    std::string header = "\xEF\xBB\xBF";
    for (const FieldInfo* field : clientFields)
        header += std::string(field->name) + (field == clientFields[68] ? "\r\n" : ",");
    EXPECT_EQ(run({"export", dir.path("empty.vmr")}).out, header);
    EXPECT_EQ(run({"export", dir.path("empty.vmr"), "--format", "json"}).out, "[\n]\n");
}

TEST(VmrtoolExport, DamagedFileExportsWhatItHoldsWithAWarning) {
    TempDir dir;
    auto bytes = withCount(fileOf({client("a"), client("b")}), 7);
    writeFile(dir.path("short.vmr"), bytes);
    const ToolRun result = run({"export", dir.path("short.vmr"), "--format", "json"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '{'), 2) << result.out;
    EXPECT_NE(result.err.find("warning: " + dir.path("short.vmr") +
                              " is damaged (see vmrtool check); exporting the 2 clients it holds"),
              std::string::npos)
        << result.err;
}

TEST(VmrtoolExport, NeverOverwritesWithoutForceNorTheClientFile) {
    TempDir dir;
    const std::string input = dir.path("clients.vmr");
    const std::string output = dir.path("out.csv");
    writeFile(input, fileOf({client("a")}));
    const std::string clientBytes = readFile(input);
    std::ofstream(output) << "keep me";

    ToolRun result = run({"export", input, "--output", output});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "vmrtool: " + output + " exists; add --force to replace it\n");
    EXPECT_EQ(readFile(output), "keep me");

    for (const std::string& alias : {input, dir.path("./clients.vmr")}) {
        result = run({"export", input, "--output", alias, "--force"});
        EXPECT_EQ(result.status, 2) << alias;
        EXPECT_NE(result.err.find("is the file being exported"), std::string::npos) << result.err;
        EXPECT_EQ(readFile(input), clientBytes) << alias;
    }

    result = run({"export", input, "--output", output, "--force"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(readFile(output).rfind("\xEF\xBB\xBFname,", 0), 0u);
    EXPECT_EQ(dir.names().size(), 2u) << "a temporary file was left behind";

    result = run({"export", input, "--output", dir.path("no/such/folder.csv")});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("cannot write"), std::string::npos) << result.err;
}
