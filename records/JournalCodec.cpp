#include "records/JournalCodec.h"

#include "records/LittleEndian.h"

#include <array>
#include <cstring>

namespace {

constexpr char journalTag[4] = {'V', 'M', 'R', 'J'};
constexpr std::uint32_t journalVersion = 1;
constexpr std::size_t checksumSize = 4;

// CRC-32 as zip and PNG compute it (reflected polynomial 0xEDB88320).
constexpr std::array<std::uint32_t, 256> crcTable = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}();

std::uint32_t checksum(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i)
        crc = crcTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void put32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    std::uint8_t word[4];
    writeLittleEndian(word, sizeof word, value);
    bytes.insert(bytes.end(), word, word + sizeof word);
}

void put64(std::vector<std::uint8_t>& bytes, std::uint64_t value) {
    put32(bytes, static_cast<std::uint32_t>(value & 0xFFFFFFFFu));
    put32(bytes, static_cast<std::uint32_t>(value >> 32));
}

std::uint32_t get32(const std::uint8_t* bytes) { return readLittleEndian(bytes, 4); }

std::uint64_t get64(const std::uint8_t* bytes) {
    return std::uint64_t{get32(bytes + 4)} << 32 | get32(bytes);
}

// The checksum of everything before it, appended.
void seal(std::vector<std::uint8_t>& bytes) { put32(bytes, checksum(bytes.data(), bytes.size())); }

bool sealed(const std::uint8_t* data, std::size_t size) {
    return checksum(data, size - checksumSize) == get32(data + size - checksumSize);
}

bool hasBefore(ChangeKind kind) { return kind != ChangeKind::add; }
bool hasAfter(ChangeKind kind) { return kind != ChangeKind::remove; }

// The size of an entry of this kind byte; 0 for a byte that names no kind.
std::size_t entrySize(std::uint8_t kind) {
    if (kind < static_cast<std::uint8_t>(ChangeKind::add) ||
        kind > static_cast<std::uint8_t>(ChangeKind::remove))
        return 0;
    const auto change = static_cast<ChangeKind>(kind);
    return 1 + clientRecordSize * (std::size_t{hasBefore(change)} + hasAfter(change)) +
           checksumSize;
}

void putRecord(std::vector<std::uint8_t>& bytes, const ClientRecord& record) {
    const auto* first = reinterpret_cast<const std::uint8_t*>(&record);
    bytes.insert(bytes.end(), first, first + clientRecordSize);
}

const std::uint8_t* getRecord(const std::uint8_t* bytes, ClientRecord& record) {
    std::memcpy(&record, bytes, clientRecordSize);
    return bytes + clientRecordSize;
}

bool decodeHeader(const std::uint8_t* data, std::size_t size, DecodedJournal& journal) {
    if (size < journalHeaderSize || std::memcmp(data, journalTag, sizeof journalTag) != 0 ||
        get32(data + 4) != journalVersion || get32(data + 8) > 1 ||
        !sealed(data, journalHeaderSize))
        return false;
    FileIdentity& identity = journal.identity;
    identity.exists = get32(data + 8) == 1;
    identity.volumeSerial = get32(data + 12);
    identity.fileIndex = get64(data + 16);
    identity.size = get64(data + 24);
    identity.lastWrite = get64(data + 32);
    return true;
}

// The 1-based position of the first client whose bytes are exactly `record`'s,
// 0 when there is none.
int findClient(const std::vector<ClientRecord>& records, const ClientRecord& record) {
    for (std::size_t k = 0; k < records.size(); ++k)
        if (recordEqual(records[k], record)) return static_cast<int>(k + 1);
    return 0;
}

} // namespace

bool operator==(const FileIdentity& a, const FileIdentity& b) {
    return a.exists == b.exists && a.volumeSerial == b.volumeSerial && a.fileIndex == b.fileIndex &&
           a.size == b.size && a.lastWrite == b.lastWrite;
}

std::vector<std::uint8_t> encodeJournalHeader(const FileIdentity& identity) {
    std::vector<std::uint8_t> bytes(journalTag, journalTag + sizeof journalTag);
    put32(bytes, journalVersion);
    put32(bytes, identity.exists ? 1 : 0);
    put32(bytes, identity.volumeSerial);
    put64(bytes, identity.fileIndex);
    put64(bytes, identity.size);
    put64(bytes, identity.lastWrite);
    seal(bytes);
    return bytes;
}

std::vector<std::uint8_t> encodeJournalEntry(const JournalEntry& entry) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(entrySize(static_cast<std::uint8_t>(entry.kind)));
    bytes.push_back(static_cast<std::uint8_t>(entry.kind));
    if (hasBefore(entry.kind)) putRecord(bytes, entry.before);
    if (hasAfter(entry.kind)) putRecord(bytes, entry.after);
    seal(bytes);
    return bytes;
}

DecodedJournal decodeJournal(const std::uint8_t* data, std::size_t size) {
    DecodedJournal journal;
    if (!decodeHeader(data, size, journal)) return journal;
    journal.headerSound = true;
    std::size_t at = journalHeaderSize;
    while (at < size) {
        const std::size_t length = entrySize(data[at]);
        if (length == 0 || length > size - at || !sealed(data + at, length)) break;
        JournalEntry entry;
        entry.kind = static_cast<ChangeKind>(data[at]);
        const std::uint8_t* next = data + at + 1;
        if (hasBefore(entry.kind)) next = getRecord(next, entry.before);
        if (hasAfter(entry.kind)) getRecord(next, entry.after);
        journal.entries.push_back(entry);
        at += length;
    }
    journal.soundSize = at;
    return journal;
}

JournalVerdict judgeJournal(const DecodedJournal& journal, std::size_t size,
                            const FileIdentity& clientFile, bool clientFileLoaded) {
    // A journal cut inside its header was being started when the program
    // ended: the change it was to hold had not been stored yet.
    if (size < journalHeaderSize) return JournalVerdict::none;
    if (!journal.headerSound) return JournalVerdict::keepDamaged;
    if (journal.entries.empty()) return JournalVerdict::none;
    if (journal.identity != clientFile) return JournalVerdict::keepOtherFile;
    return clientFileLoaded ? JournalVerdict::offer : JournalVerdict::keepUnreadFile;
}

std::size_t replayJournal(const std::vector<JournalEntry>& entries, ReplayTarget& target) {
    std::size_t skipped = 0;
    for (const JournalEntry& entry : entries) {
        bool applied = false;
        if (entry.kind == ChangeKind::add) {
            applied = target.add(entry.after);
        } else if (const int position = findClient(target.records(), entry.before)) {
            if (entry.kind == ChangeKind::edit) {
                applied = target.replace(position, entry.after);
            } else {
                target.remove(position);
                applied = true;
            }
        }
        if (!applied) ++skipped;
    }
    return skipped;
}
