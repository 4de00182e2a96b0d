// Comparing client records in the tests: a failure names the fields that
// differ, rather than saying only "false" for 1,241 bytes.
#pragma once

#include "records/ClientFields.h"
#include "records/ClientRecord.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

// The names of the fields in which the two records differ, with ", " between
// them; empty when no field differs.
inline std::string differingFields(const ClientRecord& a, const ClientRecord& b) {
    const auto* first = reinterpret_cast<const unsigned char*>(&a);
    const auto* second = reinterpret_cast<const unsigned char*>(&b);
    std::string names;
    for (const FieldInfo* field : clientFields) {
        const FieldSpan span = field->span;
        if (std::memcmp(first + span.offset, second + span.offset, span.size) != 0)
            names += std::string(names.empty() ? "" : ", ") + field->name;
    }
    return names;
}

// For EXPECT_TRUE(sameRecord(got, expected)).
inline testing::AssertionResult sameRecord(const ClientRecord& got, const ClientRecord& expected) {
    if (recordEqual(got, expected)) return testing::AssertionSuccess();
    const std::string fields = differingFields(got, expected);
    return testing::AssertionFailure()
           << "the records differ in " << (fields.empty() ? "bytes of no field" : fields);
}
