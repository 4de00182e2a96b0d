// Which controls show and store each field. One row per field, pages in order
// and, within a page, in the order collect reads them. The control ids of a
// field follow from its first id: yes/no pairs (first, first + 1), the three
// mercury options, a choice's options and a bit set's check boxes run on from
// the first id, one per item.
#pragma once

#include "records/ClientFields.h"

#include <cstddef>

struct Binding {
    const FieldInfo* field;
    int firstId;
};

extern const Binding bindings[];
extern const std::size_t bindingCount;
