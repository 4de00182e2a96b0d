// vmrtool import: export then import gives every record back; a CSV as a
// spreadsheet saves it again reads the same; each kind of bad value is an
// error with its line and column, and nothing is written.
#include "ToolTest.h"

#include "tests/support/SameRecord.h"
#include "toolkit/text/Text.h"

#include <array>
#include <climits>

using namespace tooltest;

namespace {

const std::string makeClients = (fs::path(__FILE__).parent_path() / "make_clients.py").string();

// Texts that between them hold every byte but NUL and LF, line breaks as CR
// LF, commas, quotes and the signs that start a formula, with and without
// apostrophes of their own; cut to the field by writeText.
std::string edgeText(int variant) {
    std::string every;
    for (int byte = 1; byte < 0x100; ++byte)
        if (byte != '\n') every += static_cast<char>(byte);
    const std::string texts[] = {"",
                                 "'=1+1, \"two\"\r\nthree\r\n" + every,
                                 "=SUM(A1)",
                                 "'til May",
                                 "@" + every.substr(100),
                                 "-" + every.substr(150)};
    return texts[variant];
}

// Six clients, named in list order, that between them hold every kind of
// field at its edges: texts empty and full (with bytes after their end, as
// editing leaves them), -32768 and 32767, 255, dates 0,
// 99991231 and no calendar day, answers beyond their options, every item
// ticked (and the spare bits beyond them) and none.
std::vector<ClientRecord> edgeRecords() {
    const std::int32_t dates[] = {0, 99991231, 10101, 20230229, -1, INT32_MIN};
    const std::int16_t weights[] = {0, -32768, 32767, -5, 1, 0};
    std::vector<ClientRecord> records;
    for (int v = 0; v < 6; ++v) {
        ClientRecord r{};
        for (const FieldInfo* field : clientFields) {
            const FieldSpan span = field->span;
            switch (field->kind) {
            case FieldKind::text:
            case FieldKind::otherText: // over a longer text, whose tail stays after the end
                writeText(r, span, std::string(span.size, 'x'));
                writeText(r, span, edgeText(v));
                break;
            case FieldKind::date:
                writeDate(r, span, dates[v]);
                break;
            case FieldKind::i16:
                writeI16(r, span, weights[v]);
                break;
            case FieldKind::u8:
                writeU8(r, span, static_cast<std::uint8_t>(51 * v));
                break;
            case FieldKind::yesNo:
                writeU8(r, span, static_cast<std::uint8_t>(v == 2 ? 7 : v % 2));
                break;
            case FieldKind::yesNoNever:
                writeU8(r, span, static_cast<std::uint8_t>(v % 3));
                break;
            case FieldKind::choice:
                writeU8(r, span, static_cast<std::uint8_t>(v * (field->items.count + 1) / 5));
                break;
            case FieldKind::bitSet:
                for (int item = 0; item < span.size * 8; ++item)
                    writeItem(r, span, item, v == 1 || (v > 1 && item % v == 0));
                break;
            }
        }
        writeText(r, fields::name.span, "n" + std::to_string(v) + edgeText(v));
        records.push_back(r);
    }
    return records;
}

// The record as export shows it: texts up to their terminator with zero
// bytes after it, no ticks beyond a list's items.
ClientRecord asExported(const ClientRecord& record) {
    ClientRecord shown = record;
    for (const FieldInfo* field : clientFields) {
        if (field->kind == FieldKind::text || field->kind == FieldKind::otherText) {
            std::memset(reinterpret_cast<char*>(&shown) + field->span.offset, 0, field->span.size);
            writeText(shown, field->span, readText(record, field->span));
        }
        for (int item = field->items.count;
             field->kind == FieldKind::bitSet && item < field->span.size * 8; ++item)
            writeItem(shown, field->span, item, false);
    }
    return shown;
}

DecodedClients decodedFile(const std::string& path) {
    const std::string bytes = readFile(path);
    return decodeClients(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

} // namespace

TEST(VmrtoolImport, ExportThenImportGivesEveryRecordBack) {
    TempDir dir;
    const std::vector<ClientRecord> records = edgeRecords();
    writeFile(dir.path("edges.vmr"), fileOf(records));
    ASSERT_EQ(run({"export", dir.path("edges.vmr"), "--output", dir.path("edges.csv")}).status, 0);
    const ToolRun imported =
        run({"import", dir.path("edges.csv"), "--output", dir.path("back.vmr")});
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.out, "imported: " + dir.path("back.vmr") + " holds 6 clients, 6 from " +
                                dir.path("edges.csv") + " (read as UTF-8)\n");
    const DecodedClients back = decodedFile(dir.path("back.vmr"));
    ASSERT_EQ(back.records.size(), records.size());
    for (std::size_t k = 0; k < records.size(); ++k) {
        const ClientRecord expected = asExported(records[k]);
        for (const FieldInfo* field : clientFields)
            EXPECT_EQ(
                std::memcmp(reinterpret_cast<const char*>(&back.records[k]) + field->span.offset,
                            reinterpret_cast<const char*>(&expected) + field->span.offset,
                            field->span.size),
                0)
                << "client " << k << " " << field->name;
    }
    // Check finds nothing in the import that it does not find in the original
    // (its dates that are no calendar day, its answers beyond their options).
    const std::string original = run({"check", dir.path("edges.vmr")}).out;
    std::vector<std::string> found = lines(run({"check", dir.path("back.vmr")}).out);
    found.pop_back(); // the summary
    for (const std::string& line : found)
        EXPECT_NE(original.find(line + "\n"), std::string::npos) << line;

    // Generated clients in no order: the import holds what repair makes of
    // the file, byte for byte, and check finds it sound.
    ASSERT_EQ(std::system(("python3 " + makeClients + " 3000 " + dir.path("many.vmr")).c_str()), 0);
    ASSERT_EQ(run({"export", dir.path("many.vmr"), "--output", dir.path("many.csv")}).status, 0);
    ASSERT_EQ(run({"import", dir.path("many.csv"), "--output", dir.path("many-back.vmr")}).status,
              0);
    ASSERT_EQ(run({"repair", dir.path("many.vmr"), "--output", dir.path("sorted.vmr")}).status, 0);
    EXPECT_TRUE(readFile(dir.path("many-back.vmr")) == readFile(dir.path("sorted.vmr")));
    EXPECT_EQ(run({"check", dir.path("many-back.vmr")}).status, 0);
}

TEST(VmrtoolImport, ASpreadsheetsSaveReadsTheSame) {
    // Columns in another order and some left out; a line break inside a cell;
    // a guarded text, a negative number, a date, a choice and ticked items.
    const std::string rows =
        "cancer,name,weight,city,prescriptions,birthDate,referral,occupation\n"
        "Lung; Other,\"M\xFCller, Jos\xE9\",-12,K\xF6ln,\"one\ntwo \"\"2\"\"\",1980-02-29,"
        "Friend,'=chef\n"
        "\"\",Adams,,,,,,\n";
    const auto utf8 = [](const std::string& win1252) { return win1252ToUtf8(win1252); };
    const auto crlf = [](std::string text) {
        for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2)
            text.insert(at, 1, '\r');
        return text;
    };
    const struct {
        const char* what;
        std::string csv;
        const char* encoding;
    } forms[] = {
        {"as export writes it", "\xEF\xBB\xBF" + crlf(utf8(rows)), "UTF-8"},
        {"UTF-8 without a byte-order mark, LF", utf8(rows), "UTF-8"},
        {"Windows-1252, LF", rows, "Windows-1252, as it is not UTF-8"},
    };
    TempDir dir;
    std::string first;
    for (const auto& form : forms) {
        writeFile(dir.path("in.csv"), std::vector<std::uint8_t>(form.csv.begin(), form.csv.end()));
        const ToolRun result =
            run({"import", dir.path("in.csv"), "--output", dir.path("out.vmr"), "--force"});
        ASSERT_EQ(result.status, 0) << form.what << ": " << result.err;
        EXPECT_NE(result.out.find(std::string("(read as ") + form.encoding + ")"),
                  std::string::npos)
            << result.out;
        if (first.empty()) first = readFile(dir.path("out.vmr"));
        EXPECT_TRUE(readFile(dir.path("out.vmr")) == first) << form.what;
    }
    const DecodedClients clients = decodedFile(dir.path("out.vmr"));
    ASSERT_EQ(clients.records.size(), 2u);
    const ClientRecord& adams = clients.records[0];
    const ClientRecord& jose = clients.records[1];
    EXPECT_TRUE(sameRecord(adams, client("Adams")));
    EXPECT_EQ(recordName(jose), "M\xFCller, Jos\xE9");
    EXPECT_EQ(readI16(jose, fields::weight.span), -12);
    EXPECT_EQ(readText(jose, fields::city.span), "K\xF6ln");
    EXPECT_EQ(readText(jose, fields::prescriptions.span), "one\r\ntwo \"2\"");
    EXPECT_EQ(readDate(jose, fields::birthDate.span), 19800229);
    EXPECT_EQ(readU8(jose, fields::referral.span), 2);
    EXPECT_EQ(readText(jose, fields::occupation.span), "=chef");
    EXPECT_TRUE(readItem(jose, fields::cancer.span, 2) && readItem(jose, fields::cancer.span, 9));
    EXPECT_FALSE(readItem(jose, fields::cancer.span, 0));
}

// Each shape of a date cell, with and without --day-first: the date's value,
// or the words after the cell in its error.
TEST(VmrtoolImport, DatesInEveryShape) {
    const std::string none = "is neither a calendar day as YYYY-MM-DD nor a whole number";
    const std::string slashes = "is no calendar day as M/D/YYYY";
    const struct {
        const char* cell;
        bool dayFirst;
        std::string got;
    } cases[] = {
        {"1980-02-29", true, "19800229"},
        {"02-03-1980", true, "19800203"},
        {"2/3/1980", false, "19800203"},
        {" 2/3/1980 ", true, "19800302"},
        {"2.3.1980", false, "19800302"},
        {"29/02/1980", false, slashes + "; the file seems to write days first: try --day-first"},
        {"12/13/2020", true,
         "is no calendar day as D/M/YYYY; the file seems to write months first: try without "
         "--day-first"},
        {"31/02/1980", false, slashes},
        {"02-30-1980", false, "is no calendar day as MM-DD-YYYY"},
        {"30.2.1980", true, "is no calendar day as D.M.YYYY"},
        {"1/2/80", false, "has a two-digit year; write the year with four digits"},
        {"2020/01/02", false, none},
        {"2/29-1980", false, none},
        {"1/2/3/1980", false, none},
        {"1/-2/1980", false, none},
        {"2/29/", false, none},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string csv = std::string("name,birthDate\nAnn,") + c.cell + "\n";
        writeFile(dir.path("in.csv"), std::vector<std::uint8_t>(csv.begin(), csv.end()));
        std::vector<std::string> args = {"import", dir.path("in.csv"), "--output",
                                         dir.path("out.vmr"), "--force"};
        if (c.dayFirst) args.push_back("--day-first");
        const ToolRun result = run(args);
        const std::string error = "vmrtool: line 2, birthDate: \"" + std::string(c.cell) + "\" ";
        std::string got =
            result.status != 0
                ? lines(result.err + "\n").at(0)
                : std::to_string(readDate(decodedFile(dir.path("out.vmr")).records.at(0),
                                          fields::birthDate.span));
        if (got.rfind(error, 0) == 0) got.erase(0, error.size());
        EXPECT_EQ(got, c.got) << c.cell << (c.dayFirst ? " with --day-first" : "");
    }
}

// An export saved again by a spreadsheet as three countries set it up
// imports to the same client file, byte for byte.
TEST(VmrtoolImport, AnExportSavedAgainInOtherCountriesStylesImportsTheSame) {
    TempDir dir;
    ASSERT_EQ(std::system(("python3 " + makeClients + " 400 " + dir.path("made.vmr")).c_str()), 0);
    std::vector<ClientRecord> records = decodedFile(dir.path("made.vmr")).records;
    records.push_back(client("Odd Dates")); // the last in the list's order
    writeDate(records.back(), fields::intakeDate.span, 99991231);
    writeDate(records.back(), fields::birthDate.span, 20230229); // exported as a number
    writeFile(dir.path("made.vmr"), fileOf(records));
    const std::string original = dir.path("clients.vmr");
    ASSERT_EQ(run({"repair", dir.path("made.vmr"), "--output", original}).status, 0);
    ASSERT_EQ(run({"export", original, "--output", dir.path("export.csv")}).status, 0);
    const std::string resave = (fs::path(__FILE__).parent_path() / "resave.py").string();
    // Each style, the flag it is read with, and how the odd client's row starts.
    for (const auto& [style, flag, odd] :
         {std::array<std::string, 3>{"us", "", "Odd Dates,12/31/9999,"},
          {"european", "", "Odd Dates;31.12.9999;"},
          {"tabs", "--day-first", "\"Odd Dates\"\t\"31/12/9999\"\t"}}) {
        const std::string saved = dir.path(style + ".csv");
        const std::string command =
            "python3 " + resave + " " + dir.path("export.csv") + " " + saved;
        ASSERT_EQ(std::system((command + " " + style).c_str()), 0);
        EXPECT_NE(readFile(saved).find(odd), std::string::npos) << style;
        std::vector<std::string> args = {"import", saved, "--output", dir.path(style + ".vmr")};
        if (!flag.empty()) args.push_back(flag);
        const ToolRun result = run(args);
        ASSERT_EQ(result.status, 0) << style << ": " << result.err;
        EXPECT_TRUE(readFile(dir.path(style + ".vmr")) == readFile(original)) << style;
    }
}

TEST(VmrtoolImport, QuotedCellsWithQuotesKeepTheirOwnTextsWithinARow) {
    // Short texts, each copied to make its "" single, four in one row and
    // again in the next.
    const std::string csv = "name,city,state,occupation\n"
                            "\"a\"\"b\",\"\"\"c\",\"d\"\"\",\"e\"\"f\"\"g\"\n"
                            "\"h\"\"\",\"i\",\"\"\"\",j\n";
    TempDir dir;
    writeFile(dir.path("in.csv"), std::vector<std::uint8_t>(csv.begin(), csv.end()));
    const ToolRun result = run({"import", dir.path("in.csv"), "--output", dir.path("out.vmr")});
    ASSERT_EQ(result.status, 0) << result.err;
    const DecodedClients clients = decodedFile(dir.path("out.vmr"));
    ASSERT_EQ(clients.records.size(), 2u);
    const auto texts = [](const ClientRecord& r) {
        return readText(r, fields::name.span) + "|" + readText(r, fields::city.span) + "|" +
               readText(r, fields::state.span) + "|" + readText(r, fields::occupation.span);
    };
    EXPECT_EQ(texts(clients.records[0]), "a\"b|\"c|d\"|e\"f\"g");
    EXPECT_EQ(texts(clients.records[1]), "h\"|i|\"|j");
}

TEST(VmrtoolImport, EveryBadValueIsListedWithItsLineAndNothingIsWritten) {
    const struct {
        const char* what;
        std::string csv;
        std::vector<std::string> errors;
    } cases[] = {
        {"values",
         "name,city,age,weight,intakeDate,birthDate,referral,hadColonic,cancer\n"
         "ok,,,,,,,,\n"
         "a,Zhongguo \xE4\xB8\xAD,256,40000,2023-02-30,25/12/2023,Maybe,Yess,Lung; Gout\n"
         "b,A city name longer than 23,-1,12a,2023-2-3,1e3,9 ,Yes,\n"
         ",,,,,,,,\n"
         "\"multi\nline\",,,,,,,,Lung\n"
         "c,,,,,\n"
         ",x,,,,,,,\n",
         {"line 3, city: \"Zhongguo \xE4\xB8\xAD\" has 1 character outside Windows-1252",
          "line 3, age: \"256\" is not a whole number from 0 to 255",
          "line 3, weight: \"40000\" is not a whole number from -32768 to 32767",
          "line 3, intakeDate: \"2023-02-30\" is neither a calendar day as YYYY-MM-DD nor a "
          "whole number",
          "line 3, birthDate: \"25/12/2023\" is no calendar day as M/D/YYYY; the file seems to "
          "write days first: try --day-first",
          "line 3, referral: \"Maybe\" is none of Family, Friend, Doctor, Health care Practioner, "
          "Yelp, Internet, TV, Social media nor a number from 0 to 255",
          "line 3, hadColonic: \"Yess\" is none of Yes, No nor a number from 0 to 255",
          "line 3, cancer: \"Lung; Gout\" names \"Gout\", which is none of its items",
          "line 4, city: \"A city name longer than 23\" is longer than the field's 23 characters",
          "line 4, age: \"-1\" is not a whole number from 0 to 255",
          "line 4, weight: \"12a\" is not a whole number from -32768 to 32767",
          "line 4, intakeDate: \"2023-2-3\" is neither a calendar day as YYYY-MM-DD nor a whole "
          "number",
          "line 4, birthDate: \"1e3\" is neither a calendar day as YYYY-MM-DD nor a whole number",
          "line 8: 6 cells, but the header has 9",
          "line 9, name: empty; every client needs a name"}},
        {"header",
         "name,town,city,name\n",
         {"line 1: unknown column \"town\"", "line 1: the column \"name\" comes twice"}},
        {"no name column", "city\nx\n", {"line 1: no name column; every client needs a name"}},
        {"a header that no separator splits into known names",
         "name;town\nx;y\n",
         {"line 1: unknown column \"name;town\"",
          "line 1: no name column; every client needs a name"}},
        {"unclosed quote", "name\na\n\"b\nc\n", {"line 3: a quoted cell is not closed"}},
        {"text after a quote",
         "name\n\"b\"c\n",
         {"line 2: text after the closing quote of a cell"}},
        {"empty", "", {"line 1: no header row; the file is empty"}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        writeFile(dir.path("in.csv"), std::vector<std::uint8_t>(c.csv.begin(), c.csv.end()));
        const ToolRun result = run({"import", dir.path("in.csv"), "--output", dir.path("out.vmr")});
        EXPECT_EQ(result.status, 1) << c.what;
        std::vector<std::string> expected;
        for (const std::string& error : c.errors)
            expected.push_back("vmrtool: " + error);
        std::vector<std::string> listed = lines(result.err);
        ASSERT_FALSE(listed.empty()) << c.what;
        EXPECT_NE(listed.back().find("; nothing written"), std::string::npos) << listed.back();
        listed.pop_back();
        EXPECT_EQ(listed, expected) << c.what;
        EXPECT_EQ(dir.names(), std::vector<std::string>{"in.csv"}) << c.what;
    }
}

TEST(VmrtoolImport, LenientCutsTextsAndMarksUnknownCharactersAndSaysSo) {
    TempDir dir;
    const std::string csv = "name,state\n"
                            "\xE6\x9D\x8E Li,California\n";
    writeFile(dir.path("in.csv"), std::vector<std::uint8_t>(csv.begin(), csv.end()));
    const ToolRun result =
        run({"import", dir.path("in.csv"), "--output", dir.path("out.vmr"), "--lenient"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(lines(result.out),
              (std::vector<std::string>{
                  "changed: line 2, name: \"\xE6\x9D\x8E Li\" has 1 character outside "
                  "Windows-1252: stored as \"? Li\"",
                  "changed: line 2, state: \"California\" is longer than the field's 2 "
                  "characters: stored as \"Ca\"",
                  "imported: " + dir.path("out.vmr") + " holds 1 client, 1 from " +
                      dir.path("in.csv") + " (read as UTF-8)"}));
    const DecodedClients clients = decodedFile(dir.path("out.vmr"));
    ASSERT_EQ(clients.records.size(), 1u);
    EXPECT_EQ(recordName(clients.records[0]), "? Li");
}

TEST(VmrtoolImport, MergesIntoAnExistingFileAndGuardsItsOutput) {
    TempDir dir;
    const std::string csvPath = dir.path("new.csv");
    const std::string csv = "name\nbeth\nAnn\n";
    writeFile(csvPath, std::vector<std::uint8_t>(csv.begin(), csv.end()));
    const std::string clients = dir.path("clients.vmr");
    writeFile(clients, fileOf({client("alice"), client("Carl")}));

    ToolRun result = run({"import", csvPath, "--merge", clients, "--output", clients});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "vmrtool: " + clients + " exists; add --force to replace it\n");
    result = run({"import", csvPath, "--output", csvPath, "--force"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("is the file being imported"), std::string::npos) << result.err;

    result = run({"import", csvPath, "--merge", clients, "--output", clients, "--force"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("holds 4 clients, 2 from " + csvPath +
                              " (read as UTF-8) and 2 from " + clients),
              std::string::npos)
        << result.out;
    std::vector<std::string> names;
    for (const ClientRecord& record : decodedFile(clients).records)
        names.push_back(recordName(record));
    EXPECT_EQ(names, (std::vector<std::string>{"alice", "Ann", "beth", "Carl"}));

    writeFile(dir.path("damaged.vmr"), withCount(fileOf({client("a")}), 3));
    result = run(
        {"import", csvPath, "--merge", dir.path("damaged.vmr"), "--output", dir.path("out.vmr")});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("damaged.vmr is damaged"), std::string::npos) << result.err;
    EXPECT_EQ(dir.names().size(), 3u) << "a temporary file was left behind";
}

// A quote inside a cell that does not start with one is part of its text;
// a byte that is not UTF-8 outside any text has the whole file read again as
// Windows-1252, and the error shows the cell as that reading gives it.
TEST(VmrtoolImport, StrayQuotesAndAByteThatIsNotUtf8OutsideATextAreReadAsTheyStand) {
    TempDir dir;
    const auto import = [&](const std::string& csv) {
        writeFile(dir.path("in.csv"), std::vector<std::uint8_t>(csv.begin(), csv.end()));
        return run({"import", dir.path("in.csv"), "--output", dir.path("out.vmr"), "--force"});
    };
    ToolRun result = import("name,city\nO\"Brien,a\"b\"\n");
    ASSERT_EQ(result.status, 0) << result.err;
    const DecodedClients clients = decodedFile(dir.path("out.vmr"));
    ASSERT_EQ(clients.records.size(), 1u);
    EXPECT_EQ(recordName(clients.records[0]), "O\"Brien");
    EXPECT_EQ(readText(clients.records[0], fields::city.span), "a\"b\"");

    result = import("name,referral\nAnn,Fr\xE9nd\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(
        lines(result.err),
        (std::vector<std::string>{
            "vmrtool: line 2, referral: \"Fr\xC3\xA9nd\" is none of Family, Friend, Doctor, "
            "Health care Practioner, Yelp, Internet, TV, Social media nor a number from 0 to 255",
            "vmrtool: " + dir.path("in.csv") +
                " (read as Windows-1252, as it is not UTF-8) has 1 error; nothing written"}));
}
