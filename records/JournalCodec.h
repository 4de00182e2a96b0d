// The recovery journal's bytes: a header naming the client file the journal
// belongs to, then one entry for every change the main window stored since that
// file was loaded, each with its own checksum. Also what a journal found at
// start means, and its replay. Pure: no I/O.
#pragma once

#include "records/ClientRecord.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Which client file a journal belongs to, taken from the file's metadata: no
// file at all, or its place on its volume, its size and its last write. A save
// puts a new file in place, so the identity changes with every save.
struct FileIdentity {
    bool exists = false;
    std::uint32_t volumeSerial = 0;
    std::uint64_t fileIndex = 0;
    std::uint64_t size = 0;
    std::uint64_t lastWrite = 0; // 100-nanosecond ticks, as Windows keeps them
};

bool operator==(const FileIdentity& a, const FileIdentity& b);
inline bool operator!=(const FileIdentity& a, const FileIdentity& b) { return !(a == b); }

enum class ChangeKind : std::uint8_t { add = 1, edit = 2, remove = 3 };

// One stored change: the whole record after it (add, edit) and before it (edit,
// remove), so that replay needs no list positions.
struct JournalEntry {
    ChangeKind kind = ChangeKind::add;
    ClientRecord before{};
    ClientRecord after{};
};

constexpr std::size_t journalHeaderSize = 44;

std::vector<std::uint8_t> encodeJournalHeader(const FileIdentity& identity);
std::vector<std::uint8_t> encodeJournalEntry(const JournalEntry& entry);

struct DecodedJournal {
    bool headerSound = false; // a complete header with its tag, version and checksum
    FileIdentity identity;
    std::vector<JournalEntry> entries; // the complete, sound entries, in order
    // The header and those entries: where the next entry belongs. Decoding stops
    // at the first entry that is cut short or damaged; nothing after it is read.
    std::size_t soundSize = 0;
};

DecodedJournal decodeJournal(const std::uint8_t* data, std::size_t size);

// What a journal found at start means for the client file just loaded.
enum class JournalVerdict {
    none,           // nothing to restore: no file, a cut header, no complete entry
    offer,          // this file's changes: ask whether to restore them
    keepOtherFile,  // its header names another version of the client file
    keepDamaged,    // its header is damaged: not a journal this program can read
    keepUnreadFile, // the client file could not be read, so its changes cannot apply
};

JournalVerdict judgeJournal(const DecodedJournal& journal, std::size_t size,
                            const FileIdentity& clientFile, bool clientFileLoaded);

// The clients in list order and the three ways the main window changes them.
// Replay works through these, so the program's sorted list and its records
// stay in step, and the tests can model them.
class ReplayTarget {
  public:
    ReplayTarget() = default;
    ReplayTarget(const ReplayTarget&) = delete;
    ReplayTarget& operator=(const ReplayTarget&) = delete;
    virtual ~ReplayTarget() = default;

    virtual const std::vector<ClientRecord>& records() const = 0;
    // Each returns false when the list refused the line; nothing changed then.
    virtual bool add(const ClientRecord& record) = 0;
    virtual bool replace(int position, const ClientRecord& record) = 0; // 1-based
    virtual void remove(int position) = 0;
};

// Applies the entries in order. An edit or a removal changes the client whose
// bytes are those before the change; when there is none, or the list refuses a
// line, the entry is skipped. Returns how many were skipped.
std::size_t replayJournal(const std::vector<JournalEntry>& entries, ReplayTarget& target);
