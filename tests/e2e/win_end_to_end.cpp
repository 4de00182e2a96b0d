// The real program, copied into a temporary folder and driven from outside
// through its windows as a user would: clicks, typed text, answered message
// boxes. The client file it leaves behind is checked byte by byte at the
// record's offsets, and a second start shows what the first one saved.
#include "RecordLayout.h"
#include "win_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The client file: the 8-byte header, then the records.
constexpr std::size_t header = 8;

std::uint32_t littleEndian(const std::vector<std::uint8_t>& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | bytes.at(at + std::size_t(i));
    return value;
}

// The first client's field called `field`, at its place in the layout: a
// number, or the zero-terminated text within the field.
std::uint32_t valueIn(const std::vector<std::uint8_t>& bytes, std::string_view field) {
    const LayoutRow& row = layoutOf(field);
    return littleEndian(bytes, header + row.offset, int(row.size));
}

std::string textIn(const std::vector<std::uint8_t>& bytes, std::string_view field) {
    const LayoutRow& row = layoutOf(field);
    const auto start = bytes.begin() + std::ptrdiff_t(header + row.offset);
    return std::string(start, std::find(start, start + std::ptrdiff_t(row.size), 0));
}

// Adds one client through the form's first two pages.
void addClientThroughForm(const Program& program, HWND main) {
    click(main, 102);
    const HWND form = waitForWindow(program, L"Add_Forms");
    ASSERT_NE(form, nullptr);
    ASSERT_NE(waitForControl(form, 202), nullptr);
    typeText(form, 202, L"Zed Tester");
    typeText(form, 204, L"03-15-2024");
    typeText(form, 206, L"Oakland");
    typeText(form, 214, L"42");
    typeText(form, 218, L"180");
    click(form, 211); // Male
    click(form, 152); // Next
    ASSERT_NE(waitForControl(form, 302), nullptr);
    typeText(form, 302, L"Aspirin\r\nIbuprofen");
    click(form, 309); // tonsils
    click(form, 150);
    EXPECT_TRUE(waitUntilGone(form));
}

TEST(EndToEnd, AddedClientIsSavedAtTheRecordOffsetsAndListedOnTheNextStart) {
    const TempFolder folder;
    const std::wstring exe = folder.installProgram();
    {
        const Program program(exe);
        const HWND main = waitForMainWindow(program);
        ASSERT_NE(main, nullptr);
        ASSERT_NO_FATAL_FAILURE(addClientThroughForm(program, main));
        EXPECT_EQ(listLines(main), std::vector<std::wstring>{L"Zed Tester"});
        ASSERT_NO_FATAL_FAILURE(quitSaving(program, main));
    }
    const std::vector<std::uint8_t> bytes = folder.clientFile();
    ASSERT_EQ(bytes.size(), header + recordLayoutSize);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "1.01");
    EXPECT_EQ(littleEndian(bytes, 4, 4), 1u);
    EXPECT_EQ(textIn(bytes, "name"), "Zed Tester");
    EXPECT_EQ(valueIn(bytes, "intakeDate"), 20240315u);
    EXPECT_EQ(textIn(bytes, "city"), "Oakland");
    EXPECT_EQ(textIn(bytes, "state"), "CA");
    EXPECT_EQ(valueIn(bytes, "male"), 1u);
    EXPECT_EQ(valueIn(bytes, "age"), 42u);
    EXPECT_EQ(valueIn(bytes, "weight"), 180u);
    EXPECT_EQ(textIn(bytes, "prescriptions"), "Aspirin\r\nIbuprofen");
    EXPECT_EQ(valueIn(bytes, "removedOrgans"), 1u); // item 1, tonsils

    const Program again(exe);
    const HWND main = waitForMainWindow(again);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(listLines(main), std::vector<std::wstring>{L"Zed Tester"});
    EXPECT_EQ(SendMessageW(GetDlgItem(main, 101), LB_GETCURSEL, 0, 0), 0);
    click(main, 108); // nothing changed: no prompt
    EXPECT_EQ(again.waitForExit(), 0u);
    EXPECT_EQ(folder.clientFile(), bytes);
}

TEST(EndToEnd, EditRenamesAndDeleteEmptiesTheSavedFile) {
    const TempFolder folder;
    const std::wstring exe = folder.installProgram();
    {
        const Program program(exe);
        const HWND main = waitForMainWindow(program);
        ASSERT_NE(main, nullptr);
        ASSERT_NO_FATAL_FAILURE(addClientThroughForm(program, main));
        click(main, 104);
        const HWND form = waitForWindow(program, L"Edit_Forms");
        ASSERT_NE(form, nullptr);
        ASSERT_NE(waitForControl(form, 202), nullptr);
        EXPECT_EQ(controlText(form, 202), L"Zed Tester");
        EXPECT_EQ(controlText(form, 218), L" 180"); // numbers show with a leading blank
        typeText(form, 202, L"Abel Tester");
        click(form, 150);
        ASSERT_TRUE(waitUntilGone(form));
        EXPECT_EQ(listLines(main), std::vector<std::wstring>{L"Abel Tester"});
        ASSERT_NO_FATAL_FAILURE(quitSaving(program, main));
    }
    std::vector<std::uint8_t> bytes = folder.clientFile();
    ASSERT_EQ(bytes.size(), header + recordLayoutSize);
    EXPECT_EQ(textIn(bytes, "name"), "Abel Tester");
    EXPECT_EQ(valueIn(bytes, "weight"), 180u);

    const Program again(exe);
    const HWND main = waitForMainWindow(again);
    ASSERT_NE(main, nullptr);
    click(main, 103);
    const HWND box = waitForWindow(again, L"Abel Tester");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(boxText(box), L"Confirm this client deletion");
    click(box, IDOK);
    ASSERT_TRUE(waitUntilGone(box));
    EXPECT_TRUE(listLines(main).empty());
    ASSERT_NO_FATAL_FAILURE(quitSaving(again, main));
    bytes = folder.clientFile();
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x31, 0x2E, 0x30, 0x31, 0, 0, 0, 0}));
}

TEST(EndToEnd, FirstStartCreatesAnEmptyFileThatQuittingLeavesEmpty) {
    const TempFolder folder;
    const Program program(folder.installProgram());
    const HWND main = waitForMainWindow(program);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(listLines(main).empty());
    EXPECT_EQ(SendMessageW(GetDlgItem(main, 101), LB_GETCURSEL, 0, 0), LB_ERR);
    ASSERT_TRUE(folder.hasClientFile());
    EXPECT_TRUE(folder.clientFile().empty());
    click(main, 108);
    EXPECT_EQ(program.waitForExit(), 0u);
    EXPECT_TRUE(folder.clientFile().empty());
}

TEST(EndToEnd, SecondStartOnTheSameFileRestoresTheRunningCopyAndExits) {
    const TempFolder folder;
    const std::wstring exe = folder.installProgram();
    const Program first(exe);
    const HWND main = waitForMainWindow(first);
    ASSERT_NE(main, nullptr);
    ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(main));

    const Program second(exe);
    EXPECT_EQ(second.waitForExit(), 0u);
    EXPECT_FALSE(IsIconic(main));
    EXPECT_EQ(GetForegroundWindow(), main);
    EXPECT_EQ(mainWindowCount(), 1);
    click(main, 108);
    EXPECT_EQ(first.waitForExit(), 0u);
}

TEST(EndToEnd, CopiesInDifferentFoldersRunSideBySide) {
    const TempFolder one;
    const TempFolder other;
    const Program first(one.installProgram());
    ASSERT_NE(waitForMainWindow(first), nullptr);
    const Program second(other.installProgram());
    const HWND secondMain = waitForMainWindow(second);
    ASSERT_NE(secondMain, nullptr);
    EXPECT_EQ(mainWindowCount(), 2);
    click(secondMain, 108);
    EXPECT_EQ(second.waitForExit(), 0u);
    click(waitForMainWindow(first), 108);
    EXPECT_EQ(first.waitForExit(), 0u);
}

} // namespace
