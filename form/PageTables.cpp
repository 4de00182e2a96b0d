#include "form/PageTable.h"

namespace {

constexpr const PageTable* pageTables[pageCount] = {&page1Table, &page2Table, &page3Table,
                                                    &page4Table, &page5Table};
constexpr PageTable noControls{nullptr, 0};

} // namespace

const PageTable& pageTable(int page) {
    if (page < 1 || page > pageCount) return noControls;
    return *pageTables[page - 1];
}
