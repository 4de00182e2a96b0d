#include "records/RecoveryJournal.h"

#include "records/ClientFile.h"
#include "records/FileAccess.h"
#include "records/FileReports.h"

#include <new>
#include <vector>

namespace {

FileHandle journal; // open while this run writes the journal or holds the one found
// The journal file is this run's: created by it, or restored and continued. Only
// then may it take entries, and only then is it removed at the end.
bool journalOwned = false;
FileIdentity loadedFile;  // what the header of a new journal names
std::string failedReason; // not empty: the journal takes no more entries this run

// Closes the journal and keeps the reason: it takes no more entries this run.
// Whether it is this run's own stays as it was, so a journal this run made is
// still removed once the changes are saved or discarded.
JournalResult failure(DWORD error) {
    journal.close();
    failedReason = reasonFor(error);
    return {false, failedReason};
}

std::uint64_t joined(DWORD high, DWORD low) { return std::uint64_t{high} << 32 | low; }

// Reads from the current position to the end of the file.
bool readToEnd(const FileHandle& file, std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> piece(ioChunk);
    for (;;) {
        DWORD done = 0;
        if (!fileAccess().read(file.get(), piece.data(), static_cast<DWORD>(piece.size()), done))
            return false;
        if (done == 0) return true;
        bytes.insert(bytes.end(), piece.begin(), piece.begin() + done);
    }
}

} // namespace

std::wstring journalFileName() { return dataFileName + L".journal"; }

FileIdentity clientFileIdentity() {
    FileIdentity identity;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!fileAccess().information(dataFileName, information)) return identity;
    identity.exists = true;
    identity.volumeSerial = information.dwVolumeSerialNumber;
    identity.fileIndex = joined(information.nFileIndexHigh, information.nFileIndexLow);
    identity.size = joined(information.nFileSizeHigh, information.nFileSizeLow);
    identity.lastWrite = joined(information.ftLastWriteTime.dwHighDateTime,
                                information.ftLastWriteTime.dwLowDateTime);
    return identity;
}

FoundJournal openJournal(const FileIdentity& loaded) {
    closeJournal();
    loadedFile = loaded;
    failedReason.clear();
    FoundJournal found;
    journal = FileHandle(
        fileAccess().open(journalFileName(), GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING));
    if (!journal.isOpen()) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            found.exists = true;
            found.result = failure(error);
        }
        return found;
    }
    found.exists = true;
    std::vector<std::uint8_t> bytes;
    try {
        if (!readToEnd(journal, bytes)) found.result = failure(GetLastError());
    } catch (const std::bad_alloc&) {
        found.result = failure(ERROR_NOT_ENOUGH_MEMORY);
    }
    if (!found.result.ok) return found;
    found.size = bytes.size();
    found.decoded = decodeJournal(bytes.data(), bytes.size());
    return found;
}

JournalResult continueJournal(const FoundJournal& found) {
    if (!journal.isOpen()) return {false, failedReason};
    if (found.decoded.soundSize != found.size &&
        !fileAccess().setSize(journal.get(), found.decoded.soundSize))
        return failure(GetLastError());
    journalOwned = true;
    return {};
}

JournalResult keepJournalAside(std::wstring& keptAs) {
    closeJournal();
    keptAs = firstFreeName(journalFileName() + L"-");
    if (!fileAccess().move(journalFileName(), keptAs)) return failure(GetLastError());
    return {};
}

void forgetJournal() {
    closeJournal();
    fileAccess().remove(journalFileName());
}

JournalResult appendToJournal(const JournalEntry& entry) {
    if (!failedReason.empty()) return {false, failedReason};
    std::vector<std::uint8_t> bytes;
    if (!journalOwned) {
        journal = FileHandle(fileAccess().open(journalFileName(), GENERIC_WRITE, CREATE_ALWAYS));
        if (!journal.isOpen()) return failure(GetLastError());
        journalOwned = true;
        bytes = encodeJournalHeader(loadedFile);
    }
    const std::vector<std::uint8_t> encoded = encodeJournalEntry(entry);
    bytes.insert(bytes.end(), encoded.begin(), encoded.end());
    if (const DWORD error = writeAll(journal, bytes.data(), bytes.size())) return failure(error);
    if (!fileAccess().flush(journal.get())) return failure(GetLastError());
    return {};
}

bool journalFailed() { return !failedReason.empty(); }

void closeJournal() {
    journal.close();
    journalOwned = false;
}

void removeJournal() {
    const bool owned = journalOwned;
    closeJournal();
    if (owned) retryWhileHeld([] { return fileAccess().remove(journalFileName()); });
}
