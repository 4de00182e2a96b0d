// vmrtool.exe repairs a damaged client file, and the program opens the result:
// every client the damaged file still held is listed, the cut last one among
// them, and the file's order is the list's order. The program opens an
// imported file alike. Check and export work on Windows as they do on Linux.
#include "win_process.h"

#include "records/ClientCodec.h"
#include "records/ClientFields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Runs the shipped vmrtool.exe in `folder`; its exit code.
DWORD runVmrtool(const std::wstring& folder, const std::wstring& arguments) {
    return runToEnd(shippedProgram(L"vmrtool.exe"), arguments, folder);
}

} // namespace

TEST(Vmrtool, RepairedFileOpensWithItsClientsInTheListsOrder) {
    const TempFolder folder;
    const std::wstring exe = folder.installProgram();
    const std::wstring where = folder.folderPath();
    // Out of order, a count of 7 for the 5 records present, the last one cut.
    Bytes damaged = encodeClients({recordNamed("Carol"), recordNamed("alice"), recordNamed("Eve"),
                                   recordNamed("Bob"), recordNamed("Dave")});
    damaged[4] = 7;
    damaged.resize(damaged.size() - 1000);
    writeFileBytes(where + L"damaged.vmr", damaged);

    ASSERT_EQ(runVmrtool(where, L"repair damaged.vmr --output vellumor.vmr"), 0u);
    const Bytes repaired = folder.clientFile();
    const DecodedClients decoded = decodeClients(repaired.data(), repaired.size());
    ASSERT_EQ(decoded.records.size(), 5u);

    const Program program(exe);
    const HWND main = waitForMainWindow(program);
    ASSERT_NE(main, nullptr);
    const std::vector<std::wstring> listed = {L"alice", L"Bob", L"Carol", L"Dave", L"Eve"};
    EXPECT_EQ(listLines(main), listed);
    for (std::size_t k = 0; k < listed.size(); ++k)
        EXPECT_EQ(recordName(decoded.records[k]), std::string(listed[k].begin(), listed[k].end()))
            << "record " << k + 1;
    click(main, 108); // nothing changed: no prompt
    EXPECT_EQ(program.waitForExit(), 0u);
    EXPECT_EQ(folder.clientFile(), repaired);
}

TEST(Vmrtool, ImportedFileOpensWithItsClientsListed) {
    const TempFolder folder;
    const std::wstring exe = folder.installProgram();
    const std::wstring where = folder.folderPath();
    // As a spreadsheet saves it: UTF-8 without a byte-order mark, LF line
    // ends, a quoted name with a comma, a line break inside a cell.
    const std::string csv = "city,name,prescriptions\n"
                            "Fresno,Zo\xC3\xAB Adams,\n"
                            ",\"Baker, Bo\",\"one\ntwo\"\n"
                            "Eureka,carl,\n";
    writeFileBytes(where + L"clients.csv", Bytes(csv.begin(), csv.end()));
    ASSERT_EQ(runVmrtool(where, L"import clients.csv --output vellumor.vmr"), 0u);
    const Bytes imported = folder.clientFile();
    const DecodedClients decoded = decodeClients(imported.data(), imported.size());
    ASSERT_EQ(decoded.records.size(), 3u);
    EXPECT_EQ(readText(decoded.records[0], fields::prescriptions.span), "one\r\ntwo");

    const Program program(exe);
    const HWND main = waitForMainWindow(program);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(listLines(main),
              (std::vector<std::wstring>{L"Baker, Bo", L"carl", L"Zo\u00EB Adams"}));
    click(main, 108); // nothing changed: no prompt
    EXPECT_EQ(program.waitForExit(), 0u);
    EXPECT_EQ(folder.clientFile(), imported);
}

TEST(Vmrtool, ChecksAndExportsOnWindowsAsOnLinux) {
    const TempFolder folder;
    const std::wstring where = folder.folderPath();
    writeFileBytes(where + L"clients.vmr",
                   encodeClients({recordNamed("=Jones"), recordNamed("M\xFCller, Jos\xE9")}));
    writeFileBytes(where + L"unsorted.vmr", encodeClients({recordNamed("b"), recordNamed("a")}));

    EXPECT_EQ(runVmrtool(where, L"check clients.vmr"), 0u);
    EXPECT_EQ(runVmrtool(where, L"check unsorted.vmr"), 1u);
    EXPECT_EQ(runVmrtool(where, L"check missing.vmr"), 2u);

    ASSERT_EQ(runVmrtool(where, L"export clients.vmr --output clients.csv"), 0u);
    ASSERT_EQ(runVmrtool(where, L"export clients.vmr --format json --output clients.json"), 0u);
    EXPECT_EQ(runVmrtool(where, L"export clients.vmr --output clients.csv"), 2u); // no --force
    const auto text = [&where](const wchar_t* name) {
        const Bytes bytes = fileBytes(where + name);
        return std::string(bytes.begin(), bytes.end());
    };
    const std::string csv = text(L"clients.csv");
    const std::string json = text(L"clients.json");
    // UTF-8 from Windows-1252, the cell with a comma quoted, the formula kept
    // as text, CR LF line ends; JSON's first key the name.
    EXPECT_EQ(csv.rfind("\xEF\xBB\xBFname,intakeDate,", 0), 0u) << csv.substr(0, 40);
    EXPECT_NE(csv.find("\r\n\"M\xC3\xBCller, Jos\xC3\xA9\",,"), std::string::npos);
    EXPECT_NE(csv.find("\r\n'=Jones,,"), std::string::npos);
    EXPECT_EQ(csv.substr(csv.size() - 2), "\r\n");
    EXPECT_EQ(json.rfind("[\n{\"name\":\"=Jones\",\"intakeDate\":null,", 0), 0u)
        << json.substr(0, 60);
    EXPECT_NE(json.find("\n{\"name\":\"M\xC3\xBCller, Jos\xC3\xA9\","), std::string::npos);
    EXPECT_EQ(json.substr(json.size() - 4), "}\n]\n");
    const std::vector<std::wstring> left = {L"clients.csv", L"clients.json", L"clients.vmr",
                                            L"unsorted.vmr"};
    EXPECT_EQ(otherFiles(where), left) << "a temporary file was left behind";
}
