#include "records/ClientFields.h"
#include "tests/support/RecordLayout.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ClientFields, CatalogueMatchesTheLayoutInRecordOrder) {
    EXPECT_EQ(clientRecordSize, recordLayoutSize);
    ASSERT_EQ(std::size(clientFields), std::size(recordLayout));
    for (std::size_t k = 0; k < std::size(recordLayout); ++k) {
        const LayoutRow& e = recordLayout[k];
        const FieldInfo* field = findField(e.name);
        ASSERT_NE(field, nullptr) << e.name;
        EXPECT_EQ(field, clientFields[k]) << e.name << " is not field " << k;
        EXPECT_EQ(field->span.offset, e.offset) << e.name;
        EXPECT_EQ(field->span.size, e.size) << e.name;
        EXPECT_EQ(field->kind, e.kind) << e.name;
        EXPECT_EQ(field->items.count, e.items) << e.name;
    }
}

TEST(ClientFields, OtherTextsFollowTheOtherItemOfTheirList) {
    const std::pair<const char*, const char*> guarded[] = {{"generalOther", "generalConditions"},
                                                           {"cancerOther", "cancer"},
                                                           {"familyCancerOther", "familyCancer"}};
    for (const auto& [text, list] : guarded) {
        const FieldInfo* field = findField(text);
        ASSERT_NE(field, nullptr) << text;
        ASSERT_EQ(field->list, findField(list)) << text;
        const ItemList& items = field->list->items;
        EXPECT_EQ(std::string(items.texts[items.count - 1]), "Other") << list;
    }
}

TEST(ClientFields, UnknownNamesAreNotFound) {
    for (const char* name : {"", "Name", "nam", "names", "weight "})
        EXPECT_EQ(findField(name), nullptr) << '"' << name << '"';
}

} // namespace
