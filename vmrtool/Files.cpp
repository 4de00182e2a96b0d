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
// Positions beyond 2 GB.
#define fseeko _fseeki64
#define ftello _ftelli64
#else
#include <sys/stat.h>
#endif

namespace {

std::string reason() { return std::strerror(errno); }

bool seekTo(std::FILE* file, std::uint64_t offset) {
    return fseeko(file, static_cast<long long>(offset), SEEK_SET) == 0;
}

// The file's size; its position is then at its end.
bool fileSize(std::FILE* file, std::uint64_t& size) {
    const long long end = fseeko(file, 0, SEEK_END) == 0 ? ftello(file) : -1;
    size = static_cast<std::uint64_t>(end);
    return end >= 0;
}

// The bytes after the header.
std::uint64_t bodySize(const ClientFileFacts& facts) {
    return facts.size > fileHeaderSize ? facts.size - fileHeaderSize : 0;
}

} // namespace

bool readWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openFile(path, "rb"), std::fclose);
    if (!file) {
        error = "cannot open " + path + ": " + reason();
        return false;
    }
    std::uint64_t size = 0;
    std::string problem;
    if (!fileSize(file.get(), size) || !seekTo(file.get(), 0)) {
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
    if (problem.empty() && std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
        problem = std::ferror(file.get()) ? reason() : "it shrank";
    if (problem.empty()) return true;
    error = "cannot read " + path + ": " + problem;
    return false;
}

int fail(std::FILE* err, const std::string& message) {
    std::fputs(("vmrtool: " + message + "\n").c_str(), err);
    return exitFailed;
}

std::string outputProblem(const Options& options, const char* done) {
    if (sameFile(options.output, options.input))
        return options.output + " is the file being " + done + "; write to another file";
    if (!options.force && fileExists(options.output))
        return options.output + " exists; add --force to replace it";
    return options.command == "export" ? "" : heldProblem(options.output);
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

bool sameFile(const std::string& a, const std::string& b) {
    // The volume and index that identify a file, whatever name leads to it.
    const auto identity = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
        const HANDLE file = CreateFileW(
            wideFromUtf8(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        const bool known = GetFileInformationByHandle(file, &info) != FALSE;
        CloseHandle(file);
        return known;
    };
    BY_HANDLE_FILE_INFORMATION first{};
    BY_HANDLE_FILE_INFORMATION second{};
    return identity(a, first) && identity(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

namespace {

bool renameOver(const std::string& from, const std::string& to) {
    return MoveFileExW(wideFromUtf8(from).c_str(), wideFromUtf8(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

void removeFile(const std::string& path) { DeleteFileW(wideFromUtf8(path).c_str()); }

} // namespace
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

namespace {

bool renameOver(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

void removeFile(const std::string& path) { std::remove(path.c_str()); }

} // namespace
#endif

bool ClientFileReader::open(const std::string& path, std::string& error) {
    name = path;
    file.reset(openFile(path, "rb"));
    if (!file) {
        error = "cannot open " + path + ": " + reason();
        return false;
    }
    std::uint8_t header[fileHeaderSize] = {};
    const std::size_t headerBytes = std::fread(header, 1, sizeof header, file.get());
    ClientFileFacts& facts = fileFacts;
    if (std::ferror(file.get()) || !fileSize(file.get(), facts.size) ||
        !seekTo(file.get(), headerBytes)) {
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
    if (held > 0 && std::fread(bytes, 1, held, file.get()) != held) {
        error = "cannot read " + name + ": " + (std::ferror(file.get()) ? reason() : "it shrank");
        return false;
    }
    if (held < wanted) std::memset(bytes + held, 0, wanted - held);
    delivered += count;
    return true;
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
        file.reset(openFile(candidate, "wb"));
        if (!file) {
            error = "cannot write " + path + ": " + reason();
            return false;
        }
        temporaryPath = candidate;
        // Written a record or a cell at a time, the file goes out in large
        // pieces rather than in the library's small ones.
        std::setvbuf(file.get(), nullptr, _IOFBF, 1 << 18);
    }
    if (!file) {
        error = "cannot write " + path + ": no free temporary name beside it";
        return false;
    }
    finalPath = path;
    return true;
}

bool ReplacingFile::commit(std::string& error) {
    const bool written = std::fflush(file.get()) == 0 && !std::ferror(file.get());
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed || !renameOver(temporaryPath, finalPath)) {
        error = "cannot write " + finalPath + ": " + reason();
        discard();
        return false;
    }
    temporaryPath.clear();
    return true;
}

void ReplacingFile::discard() {
    file.reset();
    if (!temporaryPath.empty()) removeFile(temporaryPath);
    temporaryPath.clear();
}

void progress(std::FILE* err, const char* action, std::size_t before, std::size_t after,
              std::size_t total) {
    const std::size_t tenth = (total + 9) / 10;
    if (total > 10000 && (after / tenth > before / tenth || (after >= total && before < total)))
        fail(err, std::string(action) + " " + std::to_string(after) + " of " +
                      std::to_string(total) + " clients");
}
