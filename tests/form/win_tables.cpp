// Checks of the questionnaire's constant tables and bindings, without windows:
// the rules that tie the rows to the record's fields and to each other.
#include "form/Bindings.h"
#include "form/PageTable.h"

#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <set>
#include <string>

namespace {

// The form's page controls stay inside its width and above its push buttons.
constexpr int formWidth = 350;
constexpr int buttonsTop = 320;
// The styles the tables use, as the numbers a window's style shows.
constexpr DWORD groupStart = 0x00020000;    // WS_GROUP
constexpr DWORD multiLine = 0x1004;         // ES_MULTILINE | ES_WANTRETURN
constexpr DWORD multiLineEdge = 0x00020000; // WS_EX_STATICEDGE

bool inPageRange(int page, int id) {
    return page >= 1 && page <= pageCount && id >= 100 * page + 101 &&
           id <= 100 * page + 100 + pageIdRangeSizes[page];
}

// Creation index of control `id` on `page`, -1 when it has none.
int rowOf(int page, int id) {
    const PageTable& table = pageTable(page);
    for (std::size_t i = 0; i < table.count; ++i)
        if (table.controls[i].id == id) return static_cast<int>(i);
    return -1;
}

const ControlRow& row(int page, int index) {
    return pageTable(page).controls[static_cast<std::size_t>(index)];
}

// The first control id bound to `field`, -1 when it is not bound.
int firstIdOf(const FieldInfo* field) {
    for (std::size_t b = 0; b < bindingCount; ++b)
        if (bindings[b].field == field) return bindings[b].firstId;
    return -1;
}

int kindNumber(ControlKind kind) { return static_cast<int>(kind); }

bool isList(FieldKind kind) {
    return kind == FieldKind::yesNo || kind == FieldKind::yesNoNever || kind == FieldKind::choice ||
           kind == FieldKind::bitSet;
}

int controlCount(const FieldInfo& field) { return isList(field.kind) ? field.items.count : 1; }

ControlKind controlKind(FieldKind kind) {
    if (kind == FieldKind::bitSet) return ControlKind::checkBox;
    return isList(kind) ? ControlKind::optionButton : ControlKind::textBox;
}

std::set<int> idsWhere(bool (*test)(const ControlRow&)) {
    std::set<int> ids;
    for (int page = 1; page <= pageCount; ++page)
        for (std::size_t i = 0; i < pageTable(page).count; ++i)
            if (test(pageTable(page).controls[i])) ids.insert(pageTable(page).controls[i].id);
    return ids;
}

} // namespace

TEST(PageTables, IdsLieInTheirPageRangeAndAreUnique) {
    std::set<int> seen;
    for (int page = 1; page <= pageCount; ++page) {
        const PageTable& table = pageTable(page);
        ASSERT_NE(table.controls, nullptr) << "page " << page;
        for (std::size_t i = 0; i < table.count; ++i) {
            const int id = table.controls[i].id;
            EXPECT_TRUE(inPageRange(page, id)) << "page " << page << " row " << i << " id " << id;
            EXPECT_TRUE(seen.insert(id).second) << "id " << id << " appears twice";
        }
    }
    for (int page : {0, -1, pageCount + 1})
        EXPECT_EQ(pageTable(page).count, 0u) << "page " << page;
}

TEST(PageTables, RowsHaveTextsAndFitTheForm) {
    for (int page = 1; page <= pageCount; ++page)
        for (std::size_t i = 0; i < pageTable(page).count; ++i) {
            const ControlRow& c = pageTable(page).controls[i];
            EXPECT_NE(c.text, nullptr) << "id " << c.id;
            EXPECT_TRUE(c.x >= 0 && c.y >= 0 && c.width > 0 && c.height > 0 &&
                        c.x + c.width <= formWidth && c.y + c.height <= buttonsTop)
                << "id " << c.id << " at " << c.x << "," << c.y << " size " << c.width << "x"
                << c.height;
        }
}

TEST(PageTables, StylesAreGroupStartsOnOptionsAndMultiLineBoxes) {
    for (int page = 1; page <= pageCount; ++page)
        for (std::size_t i = 0; i < pageTable(page).count; ++i) {
            const ControlRow& c = pageTable(page).controls[i];
            if (c.style == groupStart) {
                EXPECT_EQ(kindNumber(c.kind), kindNumber(ControlKind::optionButton))
                    << "id " << c.id;
            } else if (c.style == multiLine) {
                EXPECT_EQ(kindNumber(c.kind), kindNumber(ControlKind::textBox)) << "id " << c.id;
            } else {
                EXPECT_EQ(c.style, 0u) << "id " << c.id;
            }
            EXPECT_EQ(c.exStyle, c.style == multiLine ? multiLineEdge : 0u) << "id " << c.id;
        }
    EXPECT_EQ(idsWhere([](const ControlRow& c) { return c.style == multiLine; }),
              (std::set<int>{302, 304, 306, 465}));
}

TEST(PageTables, LooksFollowTheColourAndHeadingRules) {
    for (int page = 1; page <= pageCount; ++page)
        for (std::size_t i = 0; i < pageTable(page).count; ++i) {
            const ControlRow& c = pageTable(page).controls[i];
            const bool whiteBlack = (c.look & lookWhiteBlack) != 0;
            if (c.id == 654) {
                EXPECT_FALSE(whiteBlack) << "label 654 keeps the platform's colours";
            } else if (c.kind != ControlKind::textBox) {
                EXPECT_TRUE(whiteBlack) << "id " << c.id << " look " << c.look;
            }
            if (c.look & lookHeading) {
                EXPECT_TRUE(c.kind == ControlKind::label && whiteBlack)
                    << "heading " << c.id << " kind " << kindNumber(c.kind) << " look " << c.look;
            }
        }
    EXPECT_EQ(idsWhere([](const ControlRow& c) { return (c.look & lookHeading) != 0; }),
              (std::set<int>{557, 559, 560, 561, 644, 646, 648, 649, 650, 651}));
    EXPECT_EQ(idsWhere([](const ControlRow& c) { return (c.look & lookToday) != 0; }),
              (std::set<int>{204}));
    EXPECT_STREQ(row(1, rowOf(1, 204)).text, "");
}

TEST(PageTables, CheckListsStandInThreeColumnsUnderTheirHeadings) {
    const int columns[] = {5, 119, 233};
    for (std::size_t b = 0; b < bindingCount; ++b) {
        const FieldInfo& field = *bindings[b].field;
        if (field.kind != FieldKind::bitSet || field.page < 4 || &field == &fields::womenConditions)
            continue;
        const int first = rowOf(field.page, bindings[b].firstId);
        ASSERT_GT(first, 0) << field.name;
        const ControlRow& heading = row(field.page, first - 1);
        EXPECT_NE(heading.look & lookHeading, 0u) << field.name << ": row before is " << heading.id;
        for (int k = 0; k < field.items.count; ++k) {
            const int index = rowOf(field.page, bindings[b].firstId + k);
            ASSERT_GE(index, 0) << field.name << " item " << k;
            const ControlRow& box = row(field.page, index);
            EXPECT_EQ(box.x, columns[k % 3]) << "id " << box.id;
            EXPECT_EQ(box.y, heading.y + 10 + 10 * (k / 3)) << "id " << box.id;
        }
    }
    // A heading other than a page's first follows 20 units below the row before it.
    for (int page = 4; page <= 5; ++page) {
        bool firstHeading = true;
        for (int i = 1; i < static_cast<int>(pageTable(page).count); ++i) {
            if ((row(page, i).look & lookHeading) == 0) continue;
            if (!firstHeading) {
                EXPECT_EQ(row(page, i).y, row(page, i - 1).y + 20) << "heading " << row(page, i).id;
            }
            firstHeading = false;
        }
    }
}

TEST(PageTables, OtherTextBoxFollowsItsOtherItemOnTheSameRow) {
    for (std::size_t b = 0; b < bindingCount; ++b) {
        const FieldInfo& field = *bindings[b].field;
        if (field.kind != FieldKind::otherText) continue;
        ASSERT_NE(field.list, nullptr) << field.name;
        const ItemList& items = field.list->items;
        EXPECT_EQ(std::string(items.texts[items.count - 1]), "Other") << field.name;
        const int otherId = firstIdOf(field.list) + items.count - 1;
        const int boxRow = rowOf(field.page, bindings[b].firstId);
        ASSERT_GT(boxRow, 0) << field.name;
        const ControlRow& other = row(field.page, boxRow - 1);
        const ControlRow& box = row(field.page, boxRow);
        EXPECT_EQ(other.id, otherId) << field.name;
        EXPECT_EQ(box.y, other.y) << field.name;
        EXPECT_EQ(box.x, other.x + other.width + 2) << field.name;
    }
}

TEST(Bindings, EveryFieldIsBoundOnceInCollectOrder) {
    std::map<const FieldInfo*, int> uses;
    for (std::size_t b = 0; b < bindingCount; ++b)
        ++uses[bindings[b].field];
    EXPECT_EQ(bindingCount, std::size(clientFields));
    for (const FieldInfo* field : clientFields)
        EXPECT_EQ(uses[field], 1) << field->name;

    for (std::size_t b = 0; b < bindingCount; ++b) {
        const FieldInfo& field = *bindings[b].field;
        EXPECT_TRUE(inPageRange(field.page, bindings[b].firstId))
            << field.name << " page " << field.page << " first id " << bindings[b].firstId;
        if (b == 0) continue;
        const FieldInfo& before = *bindings[b - 1].field;
        EXPECT_LE(before.page, field.page) << field.name;
        // Pages 1 to 3 read in record order; an "Other" text right after its list.
        if (field.page <= 3 && before.page == field.page) {
            EXPECT_LT(before.span.offset, field.span.offset) << field.name;
        }
        if (field.kind == FieldKind::otherText) {
            EXPECT_EQ(&before, field.list) << field.name << " follows " << before.name;
        }
    }
}

TEST(Bindings, ControlsMatchTheFieldKinds) {
    for (std::size_t b = 0; b < bindingCount; ++b) {
        const FieldInfo& field = *bindings[b].field;
        if (field.kind == FieldKind::yesNo || field.kind == FieldKind::yesNoNever) {
            EXPECT_EQ(field.items.count, field.kind == FieldKind::yesNo ? 2 : 3) << field.name;
        }
        const int firstRow = rowOf(field.page, bindings[b].firstId);
        for (int k = 0; k < controlCount(field); ++k) {
            const int id = bindings[b].firstId + k;
            const int index = rowOf(field.page, id);
            ASSERT_GE(index, 0) << field.name << ": no control " << id << " on page " << field.page;
            const ControlRow& c = row(field.page, index);
            EXPECT_EQ(kindNumber(c.kind), kindNumber(controlKind(field.kind)))
                << field.name << " id " << id;
            if (!isList(field.kind)) continue;
            EXPECT_EQ(std::string(c.text), field.items.texts[k]) << field.name << " id " << id;
            if (c.kind != ControlKind::optionButton) continue;
            // One group: consecutive rows, the first starting the group.
            EXPECT_EQ(index, firstRow + k) << field.name << " id " << id;
            EXPECT_EQ(c.style, k == 0 ? groupStart : 0u) << field.name << " id " << id;
        }
    }
}

TEST(Bindings, EveryInputControlBelongsToOneBinding) {
    std::map<int, int> uses;
    for (std::size_t b = 0; b < bindingCount; ++b)
        for (int k = 0; k < controlCount(*bindings[b].field); ++k)
            ++uses[bindings[b].firstId + k];
    for (int page = 1; page <= pageCount; ++page)
        for (std::size_t i = 0; i < pageTable(page).count; ++i) {
            const ControlRow& c = pageTable(page).controls[i];
            EXPECT_EQ(uses[c.id], c.kind == ControlKind::label ? 0 : 1) << "id " << c.id;
        }
}
