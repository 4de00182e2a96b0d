// vmrtool's command line: the command, the client file and the options.
#include "vmrtool/VmrTool.h"

namespace {

constexpr char helpText[] =
    R"(Usage: vmrtool check FILE
       vmrtool export FILE [--format csv|json] [--output OUT] [--force]
       vmrtool import CLIENTS.csv --output OUT [--merge EXISTING] [--force]
                      [--lenient] [--day-first]
       vmrtool repair FILE --output OUT [--force]
       vmrtool --help

Checks, exports, imports and repairs a client file of Vellumor (vellumor.vmr).

  check     Reads FILE and reports its size, tag and count, a line for each
            problem (a short header or file, a damaged count, texts without an
            end mark, empty names, names out of the list's order, dates that
            are no calendar day, answers and ticks beyond their options), notes
            on clients likely entered twice (the same name but for case and
            blanks, or the same birth date and last word of the name; notes
            leave the exit status as it is) and a summary.
  export    Writes every client with every field, by field name, in file
            order, to OUT or standard output: CSV (UTF-8 with a byte-order
            mark) or JSON. Dates are YYYY-MM-DD (the number when no calendar
            day), answers and ticks their options' texts, unanswered fields
            empty or null. A text that starts with =, +, - or @ gets a leading
            ' so that a spreadsheet does not run it as a formula.
  import    Writes to OUT a client file of the clients in CLIENTS.csv, as
            export writes it or a spreadsheet saves it again (UTF-8 or else
            Windows-1252, columns in any order or left out, CR LF or LF). A
            value that does not fit its field is an error: all are listed (up
            to 100) and nothing is written. Rows of empty cells are skipped.
            Cells are separated by commas, semicolons or tabs; dates are
            YYYY-MM-DD, MM-DD-YYYY, M/D/YYYY (--day-first: D/M/YYYY), D.M.YYYY.
  repair    Writes to OUT a sound client file of what FILE holds: the count
            set to the records present (a cut last one's missing bytes zero),
            every record kept byte for byte. FILE is never written.

Options:
  --format csv|json   the export's format (csv when not given)
  --output OUT        the file to write; written in full, then put in place
  --force             replace OUT when it exists (never FILE itself)
  --merge EXISTING    import: OUT holds EXISTING's clients as well
  --lenient           import: cut texts too long and write characters outside
                      Windows-1252 as ?, listing each change
  --day-first         import: dates with slashes are D/M/YYYY, not M/D/YYYY

Import and repair write the clients in the list's order: names compared byte
by byte with A to Z lowered (the program's list may place accented letters
differently). Files of more than 10,000 clients report progress on stderr.

Exit status:
  0  done; for check: the file is sound
  1  check found problems; import found values that do not fit (wrote nothing)
  2  FILE cannot be read, OUT cannot be written or exists without --force,
     Vellumor runs on OUT (import, repair), or the command line is wrong
)";

// Reads the arguments after the command; the reason when they are wrong.
std::string parseOptions(const std::vector<std::string>& args, Options& line) {
    for (std::size_t k = 1; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (arg == "--format" || arg == "--output" || arg == "--merge") {
            if (k + 1 == args.size() || args[k + 1].empty()) return arg + " needs a value";
            (arg == "--format"   ? line.format
             : arg == "--output" ? line.output
                                 : line.merge) = args[++k];
        } else if (arg == "--force" || arg == "--lenient" || arg == "--day-first") {
            (arg == "--force"     ? line.force
             : arg == "--lenient" ? line.lenient
                                  : line.dayFirst) = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return "unknown option " + arg;
        } else if (line.input.empty()) {
            line.input = arg;
        } else {
            return "one client file at a time, not also " + arg;
        }
    }
    if (line.input.empty())
        return line.command +
               (line.command == "import" ? " needs the CSV file" : " needs the client file");
    return {};
}

// What is wrong with the options the command was given.
std::string optionProblem(const Options& line) {
    const bool importOptions = !line.merge.empty() || line.lenient || line.dayFirst;
    if (line.command == "check" &&
        (!line.format.empty() || !line.output.empty() || line.force || importOptions))
        return "check takes no options";
    if (line.command != "import" && line.dayFirst) return "--day-first is for import";
    if (line.command != "import" && importOptions) return "--merge and --lenient are for import";
    const bool writesClientFile = line.command == "import" || line.command == "repair";
    if (writesClientFile && !line.format.empty()) return line.command + " takes no --format";
    if (writesClientFile && line.output.empty()) return line.command + " needs --output OUT";
    if (line.command == "export" && !line.format.empty() && line.format != "csv" &&
        line.format != "json")
        return "--format is csv or json, not " + line.format;
    return {};
}

bool asksForHelp(const std::vector<std::string>& args) {
    for (const std::string& arg : args)
        if (arg == "--help" || arg == "-h") return true;
    return args.size() == 1 && args[0] == "help";
}

} // namespace

int runTool(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    if (asksForHelp(args)) {
        std::fputs(helpText, out);
        return exitDone;
    }
    Options line;
    std::string problem;
    if (args.empty()) {
        problem = "no command given";
    } else if (args[0] != "check" && args[0] != "export" && args[0] != "import" &&
               args[0] != "repair") {
        problem = "unknown command " + args[0];
    } else {
        line.command = args[0];
        problem = parseOptions(args, line);
        if (problem.empty()) problem = optionProblem(line);
    }
    if (!problem.empty()) return fail(err, problem + " (see vmrtool --help)");
    if (line.command == "check") return checkCommand(line.input, out, err);
    if (line.command == "repair") return repairCommand(line, out, err);
    if (line.command == "import") return importCommand(line, out, err);
    return exportCommand(line, out, err);
}
