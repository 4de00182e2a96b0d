#include "records/ClientFile.h"

#include "records/BackupNames.h"
#include "records/ClientCodec.h"
#include "records/FileAccess.h"
#include "records/FileReports.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <new>

std::vector<ClientRecord> clients;
bool fileChanged = false;
std::wstring dataFileName;

namespace {

// Set when the load found a client file it could not read. The next save keeps
// that file aside instead of replacing it, so a file that was only locked or
// damaged at start is never lost to the few clients entered since.
bool fileUnreadable = false;

FileResult failure(const char* action, const std::string& reason) {
    return {false, std::string("The client file could not be ") + action + ": " + reason + "."};
}

// The folder of the client file, with its trailing separator.
std::wstring clientFolder() {
    return dataFileName.substr(0, dataFileName.find_last_of(L"\\/") + 1);
}

// The first start found no client file and could not create one: the folder
// the program was unpacked to is not one this user may save files in.
FileResult notCreated(DWORD error) {
    std::wstring folder = clientFolder();
    if (folder.size() > 1 && folder[folder.size() - 2] != L':') folder.pop_back();
    return {false, "Vellumor cannot create its client file in " + shownPath(folder) + ": " +
                       reasonFor(error) +
                       ".\r\nMove the Vellumor folder to a place where you can save files, such "
                       "as your Documents folder, and start it from there."};
}

// Notes of a save that succeeded, for the user.
constexpr char keptAsideNote[] =
    "The client file could not be read when the program started, so it was kept as ";
constexpr char noBackupNote[] =
    "The changes were saved, but the previous client file could not be kept in Backups: ";

void addNote(std::string& message, const std::string& note) {
    if (!message.empty()) message += "\r\n\r\n";
    message += note;
}

bool exists(const std::wstring& path) {
    return fileAccess().attributes(path) != INVALID_FILE_ATTRIBUTES;
}

// Opens for reading and writing, creating a missing file and never truncating,
// and falls back to reading only (a read-only file).
FileHandle openClientFile() {
    FileHandle file(fileAccess().open(dataFileName, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS));
    if (!file.isOpen())
        file = FileHandle(fileAccess().open(dataFileName, GENERIC_READ, OPEN_ALWAYS));
    return file;
}

// Reads on until `size` bytes are in `buffer` or the file ends; `got` says how
// many arrived.
bool readUpTo(const FileHandle& file, std::uint8_t* buffer, std::size_t size, std::size_t& got) {
    for (got = 0; got < size;) {
        DWORD done = 0;
        if (!fileAccess().read(file.get(), buffer + got,
                               static_cast<DWORD>(std::min(size - got, ioChunk)), done))
            return false;
        if (done == 0) break;
        got += done;
    }
    return true;
}

// Writes the complete new content to `path` and flushes it to the disk. The
// records lie in memory as in the file, so after a first piece of the header
// and the first records they go out straight from there, in the same pieces as
// a copy would: the clients are never held twice.
DWORD writeComplete(const std::wstring& path) {
    const auto* records = reinterpret_cast<const std::uint8_t*>(clients.data());
    const std::size_t size = clients.size() * sizeof(ClientRecord);
    const std::size_t head = std::min(size, ioChunk - fileHeaderSize);
    std::vector<std::uint8_t> first;
    try {
        first = encodeHeader(clients.size());
        first.insert(first.end(), records, records + head);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    FileHandle file(fileAccess().open(path, GENERIC_WRITE, CREATE_ALWAYS));
    if (!file.isOpen()) return GetLastError();
    DWORD error = writeAll(file, first.data(), first.size());
    if (error == ERROR_SUCCESS) error = writeAll(file, records + head, size - head);
    if (error != ERROR_SUCCESS) return error;
    return fileAccess().flush(file.get()) ? ERROR_SUCCESS : GetLastError();
}

// Puts the written file in the place of the client file; `kept`, when not
// empty, receives the file it replaces.
DWORD putInPlace(const std::wstring& written, bool replacing, const std::wstring& kept) {
    FileAccess& access = fileAccess();
    if (retryWhileHeld([&] {
            return replacing ? access.replace(dataFileName, written, kept)
                             : access.move(written, dataFileName);
        }))
        return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    // Another program may have removed or renamed the client file while the
    // save ran (a sync program, the user restoring a copy). The new content is
    // complete, so it takes the vacant name.
    if (replacing && !exists(dataFileName) && access.move(written, dataFileName))
        return ERROR_SUCCESS;
    return error;
}

// The first "<client file>.unreadable-N" that does not exist yet.
std::wstring freeKeptName() { return firstFreeName(dataFileName + L".unreadable-"); }

// The folder of the client file's backups, with its trailing separator.
std::wstring backupFolder() { return clientFolder() + backupFolderName + L"\\"; }

LocalTime localNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear * 10000 + now.wMonth * 100 + now.wDay,
            now.wHour * 10000 + now.wMinute * 100 + now.wSecond};
}

bool nameTaken(DWORD error) { return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS; }

// Keeps the client file that a save is about to replace in the backup folder,
// under the first free name for `now`, and sets `kept` to its path. A second
// link to the file costs no copy and keeps the old bytes once the new file has
// taken the name; where the file system has no links, it is copied. An empty
// client file, as the first start leaves it, holds nothing to keep.
DWORD keepBackup(LocalTime now, std::wstring& kept) {
    FileAccess& access = fileAccess();
    std::uint64_t bytes = 0;
    if (access.size(dataFileName, bytes) && bytes == 0) return ERROR_SUCCESS;
    const std::wstring folder = backupFolder();
    if (!access.createFolder(folder) && GetLastError() != ERROR_ALREADY_EXISTS)
        return GetLastError();
    for (int sequence = 1; sequence <= maxBackupSequence; ++sequence) {
        const std::wstring path = folder + backupName(now, sequence);
        bool made = retryWhileHeld([&] { return access.link(dataFileName, path); });
        if (!made && !nameTaken(GetLastError())) made = access.copy(dataFileName, path);
        if (made) {
            kept = path;
            return ERROR_SUCCESS;
        }
        if (!nameTaken(GetLastError())) return GetLastError();
    }
    return ERROR_FILE_EXISTS;
}

// Removes the backups that are no longer kept. One that cannot be removed
// stays until a later save.
void pruneBackups(LocalTime now) {
    const std::wstring folder = backupFolder();
    std::vector<std::wstring> names;
    if (!fileAccess().list(folder, names)) return;
    for (const std::wstring& name : backupsToRemove(names, now))
        fileAccess().remove(folder + name);
}

// A file cut short still loads as far as it goes, the missing bytes zero; the
// user is told, since a zero record shows as an empty line. Empty when the
// file is whole (or empty, as on the first start).
std::string shortFileNote(std::size_t headerGot, std::size_t got, std::size_t wanted) {
    if (headerGot > 0 && headerGot < fileHeaderSize)
        return "The client file ends inside its header: it holds no clients.";
    if (got >= wanted) return {};
    const std::size_t count = wanted / sizeof(ClientRecord);
    const std::size_t incomplete = count - got / sizeof(ClientRecord);
    return "The client file ends early: " + std::to_string(incomplete) + " of its " +
           std::to_string(count) + (incomplete == 1 ? " clients is" : " clients are") +
           " incomplete, and the missing answers are left blank.";
}

} // namespace

int clientCount() { return static_cast<int>(clients.size()); }

void insertClient(int position, const ClientRecord& record) {
    if (position < 1 || position > clientCount() + 1) return;
    clients.insert(clients.begin() + (position - 1), record);
}

void removeClient(int position) {
    if (position < 1 || position > clientCount()) return;
    clients.erase(clients.begin() + (position - 1));
}

namespace {

// Reads the client file, opened or not, into `clients`.
FileResult loadFrom(const FileHandle& file) {
    const DWORD openError = file.isOpen() ? ERROR_SUCCESS : GetLastError();
    clients = std::vector<ClientRecord>();
    fileUnreadable = false;
    if (!file.isOpen()) {
        fileUnreadable = exists(dataFileName);
        return fileUnreadable ? failure("read", reasonFor(openError)) : notCreated(openError);
    }
    // The header says how many records follow. They lie back to back as in
    // memory, so they are read straight into place, and bytes the file does
    // not hold stay zero; the file is never held in memory twice.
    std::uint8_t header[fileHeaderSize] = {};
    std::size_t headerGot = 0;
    if (!readUpTo(file, header, sizeof header, headerGot)) {
        fileUnreadable = true;
        return failure("read", reasonFor(GetLastError()));
    }
    DecodedClients decoded = decodeClients(header, headerGot);
    if (!decoded.ok) {
        fileUnreadable = true;
        return {false, decoded.problem};
    }
    const std::size_t wanted = decoded.records.size() * sizeof(ClientRecord);
    std::size_t got = 0;
    if (!readUpTo(file, reinterpret_cast<std::uint8_t*>(decoded.records.data()), wanted, got)) {
        fileUnreadable = true;
        return failure("read", reasonFor(GetLastError()));
    }
    clients = std::move(decoded.records);
    return {true, shortFileNote(headerGot, got, wanted)};
}

} // namespace

FileResult loadClients() { return loadFrom(openClientFile()); }

FileResult loadClientsReadOnly() {
    const FileHandle file(fileAccess().open(dataFileName, GENERIC_READ, OPEN_EXISTING));
    if (!file.isOpen() && GetLastError() == ERROR_FILE_NOT_FOUND) {
        clients = std::vector<ClientRecord>();
        return {};
    }
    return loadFrom(file);
}

FileResult saveClients() {
    const DWORD attributes = fileAccess().attributes(dataFileName);
    const bool replacing = attributes != INVALID_FILE_ATTRIBUTES;
    if (const DWORD error = GetLastError(); !replacing && error != ERROR_FILE_NOT_FOUND)
        return failure("saved", reasonFor(error));
    // A read-only client file is never replaced. The program checks this itself
    // because not every system refuses (Wine running as root writes the file).
    if (replacing && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return failure("saved", "it is marked read-only");

    const std::wstring written = dataFileName + L".tmp";
    const std::wstring kept = replacing && fileUnreadable ? freeKeptName() : std::wstring();
    const LocalTime now = localNow();
    std::wstring backup;
    DWORD backupError = ERROR_SUCCESS;
    DWORD error = writeComplete(written);
    if (error == ERROR_SUCCESS && replacing) backupError = keepBackup(now, backup);
    if (error == ERROR_SUCCESS) error = putInPlace(written, replacing, kept);
    if (error != ERROR_SUCCESS) {
        fileAccess().remove(written);
        if (!backup.empty()) fileAccess().remove(backup);
        return failure("saved", reasonFor(error));
    }
    fileUnreadable = false;
    pruneBackups(now);

    FileResult saved;
    if (!kept.empty())
        addNote(saved.message, keptAsideNote + shownName(kept) + " in the same folder.");
    if (backupError != ERROR_SUCCESS)
        addNote(saved.message, noBackupNote + reasonFor(backupError) + ".");
    return saved;
}

// The path may be longer than MAX_PATH: the buffer grows until it fits.
std::wstring programFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.rfind(L'\\') + 1);
}
