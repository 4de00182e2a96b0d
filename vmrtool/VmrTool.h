// vmrtool, the client file's command-line companion: it checks a client file,
// exports its clients as CSV or JSON, imports them from CSV and writes a
// repaired copy. Portable: the same code builds for Linux and as a Windows
// console program.
#pragma once

#include "records/CalendarDate.h"
#include "records/ClientRecord.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// Exit statuses.
constexpr int exitDone = 0;     // the command did its work; for check: the file is sound
constexpr int exitFindings = 1; // check found something wrong with the file, import in the CSV
constexpr int exitFailed = 2;   // unreadable input, unwritable or existing output, bad usage

// Runs one command line (without the program's name), writing results to `out`
// and messages to `err`; returns the exit status.
int runTool(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

struct ExportOptions {
    std::string input;
    std::string output; // empty: standard output
    bool json = false;
    bool force = false;
};

struct ImportOptions {
    std::string input; // the CSV
    std::string output;
    std::string merge; // a client file whose clients the output keeps; empty: none
    bool force = false;
    bool lenient = false; // cut texts and make unknown characters "?" rather than refuse them
};

// Writes "vmrtool: " and the message as a line to `err`; returns exitFailed.
int fail(std::FILE* err, const std::string& message);

int checkCommand(const std::string& input, std::FILE* out, std::FILE* err);
int exportCommand(const ExportOptions& options, std::FILE* out, std::FILE* err);
int importCommand(const ImportOptions& options, std::FILE* out, std::FILE* err);
int repairCommand(const std::string& input, const std::string& output, bool force, std::FILE* out,
                  std::FILE* err);

// What a client file's header and size tell. The tool takes the records the
// count names and the file has bytes for or, when the count is damaged, all the
// file has bytes for (at most maxClientCount); a record cut by the end of the
// file has its missing bytes zero, as a load gives.
struct ClientFileFacts {
    std::uint64_t size = 0;    // bytes in the file
    std::string tag;           // its first four bytes (fewer in a shorter file)
    std::int32_t count = 0;    // the count the header states
    bool countSound = true;    // the count lies between 0 and maxClientCount
    std::uint64_t present = 0; // records with at least one byte in the file
    std::size_t clients = 0;   // the records the tool takes
    std::size_t cutBytes = 0;  // bytes of the last record taken when the file cuts it, else 0
};

// A count that the file does not hold in full: records are missing or cut.
bool fileIsShort(const ClientFileFacts& facts);

// The records a command works on at a time: a file may hold a million, more
// than a 32-bit process can hold twice.
constexpr std::size_t clientBatch = 1024;

// Records as a client file holds them: `count` records of clientRecordSize
// bytes, one after another, the first of them the file's record `first`
// (counted from 0).
struct RecordBytes {
    const std::uint8_t* bytes = nullptr;
    std::size_t count = 0;
    std::size_t first = 0;
};

// Reads a client file: its facts on opening, then its records in order. Where
// it can, the reader maps the file into memory, so that the records are read
// in place; should another program cut the file short meanwhile, the tool says
// so and ends with exitFailed.
class ClientFileReader {
  public:
    ClientFileReader() = default;
    ClientFileReader(const ClientFileReader&) = delete;
    ClientFileReader& operator=(const ClientFileReader&) = delete;
    ~ClientFileReader();

    // False, with a one-line reason, when the file cannot be opened or read.
    bool open(const std::string& path, std::string& error);
    const ClientFileFacts& facts() const { return fileFacts; }
    // The next records, at most `most` of them; none after the last.
    bool read(std::vector<ClientRecord>& records, std::size_t most, std::string& error);
    // The next records, at most `most` of them, in place in the mapped file or,
    // where it is not mapped or for a record it cuts, read into `buffer`. None
    // after the last. The bytes stay valid until the next call.
    bool view(std::size_t most, std::vector<ClientRecord>& buffer, RecordBytes& records,
              std::string& error);

  private:
    std::FILE* file = nullptr;
    std::string name;
    ClientFileFacts fileFacts;
    std::size_t delivered = 0;
    const std::uint8_t* mapped = nullptr; // the whole file, when mapped
};

// The key of the client list's order as this tool applies it: the name with its
// ASCII letters lowered, compared byte by byte ("adams" and "Adams" are equal and
// keep their order). The list control itself sorts by the system's collation,
// which may place accented letters and punctuation differently.
std::string listKey(const ClientRecord& record);

// Writes a client file of the records of `parts`, one part after another, to
// `file`, which is to become `name`, in the list's order (records whose keys
// are equal keep their order); false, with the reason, when there is not
// enough memory or a write falls short. `moved` tells how many records changed
// place; `action` names the work in progress lines.
bool writeInListOrder(std::FILE* file, const std::string& name,
                      std::initializer_list<const std::vector<ClientRecord>*> parts,
                      const char* action, std::size_t& moved, std::FILE* err, std::string& error);

// A count and the word for what it counts: "1 client", "2 clients".
std::string counted(std::size_t count, const char* word);

// Windows-1252 text as a quoted UTF-8 text for messages, control characters
// shown as \xHH; the same for UTF-8 text.
std::string shownText(std::string_view win1252);
std::string shownUtf8(std::string_view utf8);

// Files named by UTF-8 paths, on either system.
std::FILE* openFile(const std::string& path, const char* mode);
bool fileExists(const std::string& path);

// A whole file's bytes to read: mapped where the client file's reader maps
// (the bytes are then read where they lie, and no other file may be mapped
// meanwhile), else read into memory.
class FileText {
  public:
    FileText() = default;
    FileText(const FileText&) = delete;
    FileText& operator=(const FileText&) = delete;
    ~FileText();

    // False, with a one-line reason, when the file cannot be opened or read.
    bool open(const std::string& path, std::string& error);
    std::string_view text() const;

  private:
    std::uint64_t mappedSize = 0;
    const std::uint8_t* mapped = nullptr;
    std::string read; // the bytes, where they are not mapped
};

// Asks the system to back the memory of `size` bytes at `bytes`, not yet
// touched, with large pages where it can: a buffer of many megabytes then
// costs a few hundred faults rather than one for every small page. Does
// nothing where it cannot.
void adviseLargePages(const void* bytes, std::size_t size);

// Starts putting what has been written to `file` so far on the disk, without
// waiting for it. Renaming a file over another makes some file systems put the
// new file's data on disk first; started early, that work goes on while the
// program does. Does nothing where it cannot.
void startWriteback(std::FILE* file);
// Both names exist and lead to one file.
bool sameFile(const std::string& a, const std::string& b);
// Why a command on `input` may not write `output`: it is the input (`done`
// says what the command does with it: "exported", "repaired") or, without
// `force`, it exists. Empty when it may.
std::string outputProblem(const std::string& input, const std::string& output, bool force,
                          const char* done);

// A file written under a temporary name beside its place and renamed into place
// by commit(), so that a failed or interrupted run leaves no half-written file.
// Without commit() the temporary file is removed.
class ReplacingFile {
  public:
    ReplacingFile() = default;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    ~ReplacingFile();

    bool open(const std::string& path, std::string& error);
    std::FILE* get() const { return file; }
    // A file had the name when open() was called: commit() renames over it.
    bool replaces() const { return replacing; }
    bool commit(std::string& error);

  private:
    void discard();

    std::FILE* file = nullptr;
    std::string finalPath;
    std::string temporaryPath;
    bool replacing = false;
};

// Progress on standard error for files of more than 10,000 clients: one line at
// every tenth of the work.
class Progress {
  public:
    Progress(std::FILE* err, const char* action, std::size_t total);
    // Called with the clients done so far, after one or after a batch.
    void done(std::size_t count) {
        if (count >= nextReport) report(count);
    }

  private:
    void report(std::size_t count);

    std::FILE* file;
    const char* action;
    std::size_t total;
    std::size_t nextReport;
};

#ifdef _WIN32
std::wstring wideFromUtf8(std::string_view text);
std::string utf8FromWide(std::wstring_view text);
#endif
