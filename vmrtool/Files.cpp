// The tool's file work: reading a client file, writing output through a
// temporary file, and the few file operations that differ between systems.
#include "vmrtool/VmrTool.h"

#include "records/ClientCodec.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

std::string reason() { return std::strerror(errno); }

bool seekTo(std::FILE* file, std::uint64_t offset, int origin) {
#ifdef _WIN32
    return _fseeki64(file, static_cast<long long>(offset), origin) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), origin) == 0;
#endif
}

bool fileSize(std::FILE* file, std::uint64_t& size) {
    if (!seekTo(file, 0, SEEK_END)) return false;
#ifdef _WIN32
    const long long end = _ftelli64(file);
#else
    const off_t end = ftello(file);
#endif
    if (end < 0) return false;
    size = static_cast<std::uint64_t>(end);
    return true;
}

// The bytes after the header.
std::uint64_t bodySize(const ClientFileFacts& facts) {
    return facts.size > fileHeaderSize ? facts.size - fileHeaderSize : 0;
}

// The whole file's bytes; false, with a one-line reason, when it cannot be read.
bool readWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    std::FILE* const file = openFile(path, "rb");
    if (!file) {
        error = "cannot open " + path + ": " + reason();
        return false;
    }
    std::uint64_t size = 0;
    std::string problem;
    if (!fileSize(file, size) || !seekTo(file, 0, SEEK_SET)) {
        problem = reason();
    } else if (size > bytes.max_size()) {
        problem = "it is too large";
    } else {
        try {
            bytes.resize(static_cast<std::size_t>(size));
        } catch (const std::bad_alloc&) {
            problem = "not enough memory for its " + std::to_string(size) + " bytes";
        }
    }
    if (problem.empty() && std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size())
        problem = std::ferror(file) ? reason() : "it shrank";
    std::fclose(file);
    if (problem.empty()) return true;
    error = "cannot read " + path + ": " + problem;
    return false;
}

} // namespace

int fail(std::FILE* err, const std::string& message) {
    std::fputs(("vmrtool: " + message + "\n").c_str(), err);
    return exitFailed;
}


std::string outputProblem(const std::string& input, const std::string& output, bool force,
                          const char* done) {
    if (sameFile(output, input))
        return output + " is the file being " + done + "; write to another file";
    if (!force && fileExists(output)) return output + " exists; add --force to replace it";
    return {};
}

#ifdef _WIN32
std::wstring wideFromUtf8(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string utf8FromWide(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::FILE* openFile(const std::string& path, const char* mode) {
    return _wfopen(wideFromUtf8(path).c_str(), wideFromUtf8(mode).c_str());
}

bool fileExists(const std::string& path) {
    return GetFileAttributesW(wideFromUtf8(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {

// The volume and index that identify a file, whatever name leads to it.
bool fileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    const HANDLE file = CreateFileW(wideFromUtf8(path).c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool known = GetFileInformationByHandle(file, &info) != FALSE;
    CloseHandle(file);
    return known;
}

bool renameOver(const std::string& from, const std::string& to) {
    return MoveFileExW(wideFromUtf8(from).c_str(), wideFromUtf8(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

void removeFile(const std::string& path) { DeleteFileW(wideFromUtf8(path).c_str()); }

} // namespace

void startWriteback(std::FILE*) {}

void adviseLargePages(const void*, std::size_t) {}

bool sameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION first{};
    BY_HANDLE_FILE_INFORMATION second{};
    return fileIdentity(a, first) && fileIdentity(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}
#else
std::FILE* openFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

bool fileExists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

void startWriteback(std::FILE* file) {
    if (std::fflush(file) == 0) sync_file_range(fileno(file), 0, 0, SYNC_FILE_RANGE_WRITE);
}

void adviseLargePages(const void* bytes, std::size_t size) {
    // Only whole large pages inside the buffer can be large pages.
    constexpr std::uintptr_t largePage = std::uintptr_t{2} << 20;
    const auto start = reinterpret_cast<std::uintptr_t>(bytes);
    const std::uintptr_t first = (start + largePage - 1) & ~(largePage - 1);
    const std::uintptr_t end = (start + size) & ~(largePage - 1);
    if (first < end && start <= first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

namespace {

bool renameOver(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

void removeFile(const std::string& path) { std::remove(path.c_str()); }

} // namespace
#endif

#ifdef _WIN32
namespace {

// A 32-bit process has too little address space to map a large file; the
// files are read.
const std::uint8_t* mapWhole(std::FILE*, std::uint64_t, const std::string&) { return nullptr; }
void unmapWhole(const std::uint8_t*, std::uint64_t) {}
void removeOnBusError(const std::string&) {}

} // namespace
#else
namespace {

// A mapped file that another program cuts short leaves its pages past the new
// end unreadable, and reading one raises SIGBUS. The handler then says why the
// tool stops, removes the temporary output it was writing and ends with
// exitFailed; a bus error anywhere else takes its usual course. It uses only
// what is safe in a signal handler, prepared beforehand.
struct BusErrorState {
    std::uintptr_t begin = 0; // the mapped file
    std::uintptr_t end = 0;
    char message[512] = {};
    std::size_t length = 0;
    char temporary[4096] = {}; // the output being written, if any
    struct sigaction previous {};
};
BusErrorState busError;

void onBusError(int signal, siginfo_t* info, void*) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    if (address < busError.begin || address >= busError.end) {
        // Not the mapped file: the next attempt meets the usual handling.
        sigaction(signal, &busError.previous, nullptr);
        return;
    }
    if (busError.temporary[0] != '\0') ::unlink(busError.temporary);
    const ssize_t written = ::write(STDERR_FILENO, busError.message, busError.length);
    static_cast<void>(written);
    _exit(exitFailed);
}

// The temporary file a bus error removes; an empty path: none.
void removeOnBusError(const std::string& path) {
    const std::size_t length = path.size() < sizeof busError.temporary ? path.size() : 0;
    std::memcpy(busError.temporary, path.data(), length);
    busError.temporary[length] = '\0';
}

// The whole of a file of `size` bytes, mapped to be read, with a bus error
// in it handled as above; nullptr where it cannot be mapped. One file at a
// time is mapped.
const std::uint8_t* mapWhole(std::FILE* file, std::uint64_t size, const std::string& name) {
    if (size == 0 || size != static_cast<std::size_t>(size)) return nullptr;
    const auto length = static_cast<std::size_t>(size);
    void* const view = mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fileno(file), 0);
    if (view == MAP_FAILED) return nullptr; // the bytes are read instead
    posix_madvise(view, length, POSIX_MADV_SEQUENTIAL);
    const std::string message = "vmrtool: cannot read " + name + ": it shrank while being read\n";
    busError.length = std::min(message.size(), sizeof busError.message);
    std::memcpy(busError.message, message.data(), busError.length);
    busError.begin = reinterpret_cast<std::uintptr_t>(view);
    busError.end = busError.begin + length;
    struct sigaction action {};
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &busError.previous);
    return static_cast<const std::uint8_t*>(view);
}

void unmapWhole(const std::uint8_t* bytes, std::uint64_t size) {
    if (!bytes) return;
    sigaction(SIGBUS, &busError.previous, nullptr);
    busError.begin = busError.end = 0;
    munmap(const_cast<std::uint8_t*>(bytes), static_cast<std::size_t>(size));
}

} // namespace
#endif

ClientFileReader::~ClientFileReader() {
    unmapWhole(mapped, fileFacts.size);
    if (file) std::fclose(file);
}

bool ClientFileReader::open(const std::string& path, std::string& error) {
    name = path;
    file = openFile(path, "rb");
    if (!file) {
        error = "cannot open " + path + ": " + reason();
        return false;
    }
    std::uint8_t header[fileHeaderSize] = {};
    const std::size_t headerBytes = std::fread(header, 1, sizeof header, file);
    ClientFileFacts& facts = fileFacts;
    if (std::ferror(file) || !fileSize(file, facts.size) || !seekTo(file, headerBytes, SEEK_SET)) {
        error = "cannot read " + path + ": " + reason();
        return false;
    }
    facts.tag.assign(reinterpret_cast<const char*>(header),
                     std::min(headerBytes, sizeof versionText - 1));
    facts.count = statedCount(header, headerBytes);
    facts.countSound = countIsSound(facts.count);
    const std::uint64_t body = bodySize(facts);
    facts.present = (body + clientRecordSize - 1) / clientRecordSize;
    const std::uint64_t limit =
        facts.countSound ? static_cast<std::uint64_t>(facts.count) : maxClientCount;
    facts.clients = static_cast<std::size_t>(std::min(facts.present, limit));
    facts.cutBytes =
        facts.clients == facts.present ? static_cast<std::size_t>(body % clientRecordSize) : 0;
    mapped = mapWhole(file, facts.size, name);
    return true;
}

bool ClientFileReader::read(std::vector<ClientRecord>& records, std::size_t most,
                            std::string& error) {
    const std::size_t count = std::min(most, fileFacts.clients - delivered);
    try {
        records.resize(count);
    } catch (const std::bad_alloc&) {
        error =
            "cannot read " + name + ": not enough memory for " + std::to_string(count) + " clients";
        return false;
    }
    // The bytes the file holds go straight into place; the bytes it lacks, the
    // tail of a cut record, are zero, as a load gives them.
    const std::uint64_t start = fileHeaderSize + std::uint64_t{delivered} * clientRecordSize;
    const std::uint64_t available = fileFacts.size > start ? fileFacts.size - start : 0;
    const std::size_t wanted = count * clientRecordSize;
    const auto held = static_cast<std::size_t>(std::min<std::uint64_t>(available, wanted));
    auto* bytes = reinterpret_cast<std::uint8_t*>(records.data());
    if (mapped) {
        if (held > 0) std::memcpy(bytes, mapped + start, held);
    } else if (held > 0 && std::fread(bytes, 1, held, file) != held) {
        error = "cannot read " + name + ": " + (std::ferror(file) ? reason() : "it shrank");
        return false;
    }
    if (held < wanted) std::memset(bytes + held, 0, wanted - held);
    delivered += count;
    return true;
}

bool ClientFileReader::view(std::size_t most, std::vector<ClientRecord>& buffer,
                            RecordBytes& records, std::string& error) {
    // The records the file holds whole; a record it cuts is read, zero-filled.
    const std::uint64_t whole =
        std::min<std::uint64_t>(fileFacts.clients, bodySize(fileFacts) / clientRecordSize);
    if (mapped && delivered < whole) {
        const auto count =
            static_cast<std::size_t>(std::min<std::uint64_t>(most, whole - delivered));
        records.bytes = mapped + fileHeaderSize + std::uint64_t{delivered} * clientRecordSize;
        records.count = count;
        records.first = delivered;
        delivered += count;
        return true;
    }
    records.first = delivered;
    if (!read(buffer, most, error)) return false;
    records.bytes = reinterpret_cast<const std::uint8_t*>(buffer.data());
    records.count = buffer.size();
    return true;
}

FileText::~FileText() { unmapWhole(mapped, mappedSize); }

bool FileText::open(const std::string& path, std::string& error) {
    if (std::FILE* const file = openFile(path, "rb")) {
        if (fileSize(file, mappedSize)) mapped = mapWhole(file, mappedSize, path);
        std::fclose(file); // a mapping outlives the file's handle
    }
    return mapped || readWholeFile(path, read, error);
}

std::string_view FileText::text() const {
    if (!mapped) return read;
    return {reinterpret_cast<const char*>(mapped), static_cast<std::size_t>(mappedSize)};
}

bool fileIsShort(const ClientFileFacts& facts) {
    return facts.countSound &&
           static_cast<std::uint64_t>(facts.count) * clientRecordSize > bodySize(facts);
}

ReplacingFile::~ReplacingFile() { discard(); }

bool ReplacingFile::open(const std::string& path, std::string& error) {
    // A name beside the target that no file has yet: no existing file, the
    // input least of all, is ever opened for writing.
    for (int attempt = 1; attempt < 1000 && !file; ++attempt) {
        const std::string candidate = path + ".tmp" + std::to_string(attempt);
        if (fileExists(candidate)) continue;
        file = openFile(candidate, "wb");
        if (!file) {
            error = "cannot write " + path + ": " + reason();
            return false;
        }
        temporaryPath = candidate;
        removeOnBusError(candidate);
        // Written a record or a cell at a time, the file goes out in large
        // pieces rather than in the library's small ones.
        std::setvbuf(file, nullptr, _IOFBF, 1 << 18);
    }
    if (!file) {
        error = "cannot write " + path + ": no free temporary name beside it";
        return false;
    }
    finalPath = path;
    replacing = fileExists(path);
    return true;
}

bool ReplacingFile::commit(std::string& error) {
    const bool written = std::fflush(file) == 0 && !std::ferror(file);
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    if (!written || !closed || !renameOver(temporaryPath, finalPath)) {
        error = "cannot write " + finalPath + ": " + reason();
        discard();
        return false;
    }
    temporaryPath.clear();
    removeOnBusError({});
    return true;
}

void ReplacingFile::discard() {
    if (file) std::fclose(file);
    file = nullptr;
    if (!temporaryPath.empty()) removeFile(temporaryPath);
    temporaryPath.clear();
    removeOnBusError({});
}

Progress::Progress(std::FILE* err, const char* verb, std::size_t count)
    : file(err), action(verb), total(count),
      nextReport(count > 10000 ? (count + 9) / 10 : static_cast<std::size_t>(-1)) {}

void Progress::report(std::size_t count) {
    const std::string line = std::string("vmrtool: ") + action + " " + std::to_string(count) +
                             " of " + std::to_string(total) + " clients\n";
    std::fputs(line.c_str(), file);
    const std::size_t step = (total + 9) / 10;
    nextReport =
        count >= total ? static_cast<std::size_t>(-1) : std::min(total, (count / step + 1) * step);
}
