// vmrtool, the client file's command-line companion: it checks a client file,
// exports its clients as CSV or JSON, imports them from CSV and writes a
// repaired copy. Portable: the same code builds for Linux and as a Windows
// console program.
#pragma once

#include "records/CalendarDate.h"
#include "records/ClientFields.h"
#include "records/ClientRecord.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
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

// A command line: the command, the file it reads and the options.
struct Options {
    std::string command;
    std::string input;  // the client file or, for import, the CSV
    std::string output; // empty: standard output
    std::string format; // export: csv or json; empty: csv
    std::string merge;  // import: a client file whose clients the output keeps; empty: none
    bool force = false;
    bool lenient = false;  // import: cut texts and make unknown characters "?" rather than
                           // refuse them
    bool dayFirst = false; // import: slash dates are D/M/YYYY, not M/D/YYYY
};

// Writes "vmrtool: " and the message as a line to `err`: an error, a warning
// or progress; returns exitFailed, for the errors that end a command.
int fail(std::FILE* err, const std::string& message);

int checkCommand(const std::string& input, std::FILE* out, std::FILE* err);
int exportCommand(const Options& options, std::FILE* out, std::FILE* err);
int importCommand(const Options& options, std::FILE* out, std::FILE* err);
int repairCommand(const Options& options, std::FILE* out, std::FILE* err);

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

// Reads a client file: its facts on opening, then its records in order.
class ClientFileReader {
  public:
    // False, with a one-line reason, when the file cannot be opened or read.
    bool open(const std::string& path, std::string& error);
    const ClientFileFacts& facts() const { return fileFacts; }
    // The next records, at most `most` of them; none after the last.
    bool read(std::vector<ClientRecord>& records, std::size_t most, std::string& error);

  private:
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{nullptr, std::fclose};
    std::string name;
    ClientFileFacts fileFacts;
    std::size_t delivered = 0;
};

// The key of the client list's order as this tool applies it: the name with its
// ASCII letters lowered, compared byte by byte ("adams" and "Adams" are equal and
// keep their order). The list control itself sorts by the system's collation,
// which may place accented letters and punctuation differently.
std::string listKey(const ClientRecord& record);

// Writes a client file of `records` to `file`, which is to become `name`, in
// the list's order (records whose keys are equal keep their order); false,
// with the reason, when there is not enough memory or a write falls short.
// `moved` tells how many records changed place; `action` names the work in
// progress lines.
bool writeInListOrder(std::FILE* file, const std::string& name,
                      const std::vector<ClientRecord>& records, const char* action,
                      std::size_t& moved, std::FILE* err, std::string& error);

// A count and the word for what it counts: "1 client", "2 clients".
std::string counted(std::size_t count, const char* word);

// Windows-1252 text as a quoted UTF-8 text for messages, control characters
// shown as \xHH; the same for UTF-8 text.
std::string shownText(std::string_view win1252);
std::string shownUtf8(std::string_view utf8);

// Files named by UTF-8 paths, on either system.
std::FILE* openFile(const std::string& path, const char* mode);
bool fileExists(const std::string& path);

// A whole file's bytes; false, with a one-line reason, when it cannot be read.
bool readWholeFile(const std::string& path, std::string& bytes, std::string& error);
// Both names exist and lead to one file.
bool sameFile(const std::string& a, const std::string& b);
// Why the command may not write its output: it is the input (`done` says
// what the command does with it: "exported", "repaired"), it exists and
// there is no --force, or, for a client file that import or repair writes, a
// running copy of the program holds it. Empty when it may.
std::string outputProblem(const Options& options, const char* done);
// "PATH is in use by Vellumor on COMPUTER (user USER); quit it there first."
// while a copy holds the lock of the client file at `path`; empty when none
// does. Looked at without taking the lock and without writing.
std::string heldProblem(const std::string& path);

// A file written under a temporary name beside its place and renamed into place
// by commit(), so that a failed or interrupted run leaves no half-written file.
// Without commit() the temporary file is removed.
class ReplacingFile {
  public:
    ~ReplacingFile();

    bool open(const std::string& path, std::string& error);
    std::FILE* get() const { return file.get(); }
    bool commit(std::string& error);

  private:
    void discard();

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{nullptr, std::fclose};
    std::string finalPath;
    std::string temporaryPath;
};

// Progress on standard error for files of more than 10,000 clients: a line
// when the clients done, `before` and then `after` of `total`, pass a tenth of
// the total or reach its end.
void progress(std::FILE* err, const char* action, std::size_t before, std::size_t after,
              std::size_t total);

// The columns of an export, one for each field of the record in record order,
// and the cells that a field's values become. Export writes its cells from
// here and import reads them back through the same tables, so one place knows
// each column's name, kind and texts.
struct Column {
    const FieldInfo* field;
    std::string_view name;
    // For a field of one byte (a count, a yes/no answer, a choice): the cell of
    // each of its 256 values, as CSV writes it: an option's text, the number
    // for a value that names no option, or empty when it is not answered.
    // Empty for the other kinds.
    std::vector<std::string> byteCells;
    // The same values in JSON: an option's text as a string, a number, or null.
    std::vector<std::string> jsonCells;
    // For a bit set: the texts of its items, by item number.
    std::vector<std::string_view> items;
};

// Every field's column, in record order.
const std::vector<Column>& exportColumns();

// A text cell that a spreadsheet would take for a formula: one that starts,
// after any apostrophes of its own, with "=", "+", "-" or "@". Export puts an
// apostrophe before such a text and import takes it off again; counting the
// text's own apostrophes keeps the two exact inverses ("'=1" is written
// "''=1").
inline bool needsGuard(std::string_view text) {
    std::size_t first = 0;
    while (first < text.size() && text[first] == '\'')
        ++first;
    if (first == text.size()) return false;
    const char sign = text[first];
    return sign == '=' || sign == '+' || sign == '-' || sign == '@';
}

#ifdef _WIN32
std::wstring wideFromUtf8(std::string_view text);
std::string utf8FromWide(std::wstring_view text);
#endif
