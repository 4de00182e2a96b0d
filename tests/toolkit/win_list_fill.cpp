// The bulk fill of a sorted list must place every line exactly where adding the
// lines one by one would: it appends the lines that sort after the last one and
// leaves every other line to the list's own search.
#include "WindowsTest.h"

#include "toolkit/Boxes.h"
#include "toolkit/Dialog.h"

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

constexpr int oneByOne = 11;
constexpr int inBulk = 12;

Lines shown(HWND dialog, int id) {
    Lines lines;
    for (int k = 1; k <= listBoxCount(dialog, id); ++k)
        lines.push_back(listBoxLine(dialog, id, k));
    return lines;
}

class ListFillTest : public WindowsTest {};

TEST_F(ListFillTest, BulkFillPlacesEveryLineAsAddingOneByOne) {
    struct Case {
        const char* what;
        Lines before; // already in the list
        Lines added;
    };
    const Case cases[] = {
        {"in order", {}, {"Client 1", "Client 2", "Client 3", "client 4", "Client 10"}},
        {"reversed", {}, {"delta", "charlie", "bravo", "alpha"}},
        {"equal but for case", {}, {"alpha", "Alpha", "ALPHA", "beta", "Beta", "alpha"}},
        {"empty names", {}, {"", "", "a", "", "b"}},
        {"accents and punctuation",
         {},
         {"Eve", "\xC9mile", "Zoe", "Zo\xEB", "zo\xE9", "O'Brien", "Obrien", "o-brien", "Oz"}},
        {"onto a filled list", {"beta", "delta"}, {"alpha", "epsilon", "gamma", "zeta", "delta"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const UniqueWindow dialog(dialogNew(1, nullptr, "lists", 0, 0, 200, 100, 0, 0));
        ASSERT_TRUE(dialog);
        for (const int id : {oneByOne, inBulk}) {
            controlAdd(ControlKind::listBox, dialog.get(), id, "", 5, 5, 90, 80);
            for (const std::string& line : c.before)
                listBoxAdd(dialog.get(), id, line);
        }
        std::vector<int> expected;
        for (const std::string& line : c.added)
            expected.push_back(listBoxAdd(dialog.get(), oneByOne, line));
        EXPECT_EQ(listBoxAddLines(dialog.get(), inBulk, c.added), expected);
        EXPECT_EQ(shown(dialog.get(), inBulk), shown(dialog.get(), oneByOne));
    }
}

TEST_F(ListFillTest, BulkFillOfAMissingListAddsNothing) {
    const UniqueWindow dialog(dialogNew(1, nullptr, "lists", 0, 0, 200, 100, 0, 0));
    EXPECT_TRUE(listBoxAddLines(dialog.get(), inBulk, {"a", "b"}).empty());
}

} // namespace
