#include "records/JournalCodec.h"
#include "tests/support/SameRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

ClientRecord client(const std::string& name, const std::string& city) {
    ClientRecord record{};
    writeText(record, CLIENT_FIELD(name), name);
    writeText(record, CLIENT_FIELD(city), city);
    return record;
}

const FileIdentity clientFile{true, 0x1234ABCD, 0x0000000500000007ull, 3731, 0x01DA0000DEADBEEFull};

void append(Bytes& bytes, const Bytes& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
}

// The journal of a session: Ann added, then edited, then deleted.
const std::vector<JournalEntry> session = {
    {ChangeKind::add, {}, client("Ann", "Davis")},
    {ChangeKind::edit, client("Ann", "Davis"), client("Ann", "Chico")},
    {ChangeKind::remove, client("Ann", "Chico"), {}},
};

Bytes journalOf(const std::vector<JournalEntry>& entries, const FileIdentity& identity) {
    Bytes bytes = encodeJournalHeader(identity);
    for (const JournalEntry& entry : entries)
        append(bytes, encodeJournalEntry(entry));
    return bytes;
}

void expectSame(const JournalEntry& decoded, const JournalEntry& written) {
    EXPECT_EQ(decoded.kind, written.kind);
    EXPECT_TRUE(sameRecord(decoded.before, written.before));
    EXPECT_TRUE(sameRecord(decoded.after, written.after));
}

TEST(JournalCodec, CutAnywhereInTheLastEntryKeepsEveryEntryBeforeIt) {
    const Bytes whole = journalOf(session, clientFile);
    const std::size_t lastStarts = whole.size() - encodeJournalEntry(session.back()).size();
    for (std::size_t size = lastStarts; size <= whole.size(); ++size) {
        SCOPED_TRACE("cut at " + std::to_string(size) + " of " + std::to_string(whole.size()));
        const DecodedJournal decoded = decodeJournal(whole.data(), size);
        ASSERT_TRUE(decoded.headerSound);
        EXPECT_TRUE(decoded.identity == clientFile);
        const std::size_t complete = size == whole.size() ? 3 : 2;
        ASSERT_EQ(decoded.entries.size(), complete);
        EXPECT_EQ(decoded.soundSize, size == whole.size() ? size : lastStarts);
        for (std::size_t k = 0; k < complete; ++k)
            expectSame(decoded.entries[k], session[k]);
        EXPECT_EQ(judgeJournal(decoded, size, clientFile, true), JournalVerdict::offer);
    }
    // Cut inside the header, the first change was being written: nothing to offer.
    for (std::size_t size = 0; size < journalHeaderSize; ++size)
        EXPECT_EQ(judgeJournal(decodeJournal(whole.data(), size), size, clientFile, true),
                  JournalVerdict::none)
            << size;
}

// A flipped bit anywhere in an entry, its kind byte or its checksum ends the
// journal before that entry; in the header it makes the file no journal.
TEST(JournalCodec, DamageEndsTheJournalWhereItIs) {
    const Bytes whole = journalOf(session, clientFile);
    const std::size_t secondStarts = journalHeaderSize + encodeJournalEntry(session[0]).size();
    const std::size_t secondEnds = secondStarts + encodeJournalEntry(session[1]).size();
    for (const std::size_t at : {secondStarts, secondStarts + 1 + 1241 + 5, secondEnds - 1}) {
        Bytes damaged = whole;
        damaged[at] ^= 0x10;
        const DecodedJournal decoded = decodeJournal(damaged.data(), damaged.size());
        EXPECT_EQ(decoded.entries.size(), 1u) << at;
        EXPECT_EQ(decoded.soundSize, secondStarts) << at;
    }
    for (const std::size_t at :
         {std::size_t{0}, std::size_t{4}, std::size_t{20}, std::size_t{43}}) {
        Bytes damaged = whole;
        damaged[at] ^= 0x01;
        const DecodedJournal decoded = decodeJournal(damaged.data(), damaged.size());
        EXPECT_FALSE(decoded.headerSound) << at;
        EXPECT_TRUE(decoded.entries.empty()) << at;
        EXPECT_EQ(judgeJournal(decoded, damaged.size(), clientFile, true),
                  JournalVerdict::keepDamaged)
            << at;
    }
}

TEST(JournalCodec, OnlyTheFileItWasStartedForIsOffered) {
    const Bytes bytes = journalOf(session, clientFile);
    const DecodedJournal decoded = decodeJournal(bytes.data(), bytes.size());
    const auto verdictFor = [&](FileIdentity now, bool loaded = true) {
        return judgeJournal(decoded, bytes.size(), now, loaded);
    };
    EXPECT_EQ(verdictFor(clientFile), JournalVerdict::offer);
    EXPECT_EQ(verdictFor(clientFile, false), JournalVerdict::keepUnreadFile);
    FileIdentity saved = clientFile; // a save puts a new file in place
    saved.fileIndex += 1;
    EXPECT_EQ(verdictFor(saved), JournalVerdict::keepOtherFile);
    saved = clientFile; // written over in place, as long as it was
    saved.lastWrite += 1;
    EXPECT_EQ(verdictFor(saved), JournalVerdict::keepOtherFile);
    EXPECT_EQ(verdictFor(FileIdentity{}), JournalVerdict::keepOtherFile);

    // A journal started when there was no client file yet.
    const Bytes noFile = journalOf(session, FileIdentity{});
    EXPECT_EQ(judgeJournal(decodeJournal(noFile.data(), noFile.size()), noFile.size(),
                           FileIdentity{}, true),
              JournalVerdict::offer);

    // Its header alone holds no change.
    const Bytes headerOnly = encodeJournalHeader(clientFile);
    EXPECT_EQ(judgeJournal(decodeJournal(headerOnly.data(), headerOnly.size()), headerOnly.size(),
                           saved, true),
              JournalVerdict::none);
}

// The list modelled: sorted by name, equal names in the order they came.
class SortedList : public ReplayTarget {
  public:
    explicit SortedList(std::vector<ClientRecord> start) : list(std::move(start)) {}
    const std::vector<ClientRecord>& records() const override { return list; }
    bool add(const ClientRecord& record) override {
        list.insert(std::upper_bound(list.begin(), list.end(), record, byName), record);
        return true;
    }
    bool replace(int position, const ClientRecord& record) override {
        remove(position);
        return add(record);
    }
    void remove(int position) override { list.erase(list.begin() + (position - 1)); }

    std::vector<std::string> shown() const {
        std::vector<std::string> lines;
        for (const ClientRecord& record : list)
            lines.push_back(recordName(record) + "/" + readText(record, CLIENT_FIELD(city)));
        return lines;
    }

  private:
    static bool byName(const ClientRecord& a, const ClientRecord& b) {
        return recordName(a) < recordName(b);
    }
    std::vector<ClientRecord> list;
};

// Two clients share a name: the edit and the deletion each change the one whose
// every byte matches, and a change whose client is gone is skipped.
TEST(JournalReplay, ChangesFindTheirClientByEveryByte) {
    SortedList list({client("Ann", "Davis"), client("Ann", "Fresno"), client("Cy", "Chico")});
    const std::vector<JournalEntry> entries = {
        {ChangeKind::edit, client("Ann", "Fresno"), client("Bea", "Fresno")},
        {ChangeKind::remove, client("Ann", "Davis"), {}},
        {ChangeKind::add, {}, client("Al", "Napa")},
        {ChangeKind::remove, client("Ann", "Davis"), {}},                // already deleted
        {ChangeKind::edit, client("Cy", "Davis"), client("Cy", "Napa")}, // other bytes
    };
    EXPECT_EQ(replayJournal(entries, list), 2u);
    EXPECT_EQ(list.shown(), (std::vector<std::string>{"Al/Napa", "Bea/Fresno", "Cy/Chico"}));
}

} // namespace
