// Any bytes as a recovery journal. The decoder takes every input and keeps only
// what the bytes hold: its header and entries, encoded again, are exactly the
// bytes it read, and nothing after them is read. Replayed into an empty list,
// the journal never yields a record that is not the record after one of its
// own entries.
#include "FuzzCheck.h"
#include "records/JournalCodec.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The list kept in the order of the changes; the order does not matter here.
class PlainList : public ReplayTarget {
  public:
    const std::vector<ClientRecord>& records() const override { return list; }
    bool add(const ClientRecord& record) override {
        list.push_back(record);
        return true;
    }
    bool replace(int position, const ClientRecord& record) override {
        list[std::size_t(position - 1)] = record;
        return true;
    }
    void remove(int position) override { list.erase(list.begin() + (position - 1)); }

  private:
    std::vector<ClientRecord> list;
};

bool isAfterOfAnEntry(const ClientRecord& record, const std::vector<JournalEntry>& entries) {
    return std::any_of(entries.begin(), entries.end(), [&](const JournalEntry& entry) {
        return entry.kind != ChangeKind::remove && recordEqual(entry.after, record);
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const DecodedJournal decoded = decodeJournal(data, size);
    FUZZ_EXPECT(decoded.soundSize <= size, "sound size %zu of %zu bytes", decoded.soundSize, size);
    if (!decoded.headerSound) {
        FUZZ_EXPECT(decoded.entries.empty() && decoded.soundSize == 0,
                    "no header, yet %zu entries in %zu bytes", decoded.entries.size(),
                    decoded.soundSize);
        return 0;
    }

    std::vector<std::uint8_t> encoded = encodeJournalHeader(decoded.identity);
    for (const JournalEntry& entry : decoded.entries) {
        const std::vector<std::uint8_t> bytes = encodeJournalEntry(entry);
        encoded.insert(encoded.end(), bytes.begin(), bytes.end());
    }
    FUZZ_EXPECT(encoded.size() == decoded.soundSize, "re-encoded %zu bytes, read %zu",
                encoded.size(), decoded.soundSize);
    FUZZ_EXPECT(std::memcmp(encoded.data(), data, encoded.size()) == 0,
                "%zu entries encode to other bytes than they were read from",
                decoded.entries.size());

    PlainList list;
    const std::size_t skipped = replayJournal(decoded.entries, list);
    FUZZ_EXPECT(skipped <= decoded.entries.size(), "%zu of %zu entries skipped", skipped,
                decoded.entries.size());
    const auto adds = static_cast<std::size_t>(
        std::count_if(decoded.entries.begin(), decoded.entries.end(),
                      [](const JournalEntry& entry) { return entry.kind == ChangeKind::add; }));
    FUZZ_EXPECT(list.records().size() <= adds, "%zu clients from %zu additions",
                list.records().size(), adds);
    for (std::size_t k = 0; k < list.records().size(); ++k)
        FUZZ_EXPECT(isAfterOfAnEntry(list.records()[k], decoded.entries),
                    "client %zu of the replay is in no entry of the journal", k + 1);
    return 0;
}
