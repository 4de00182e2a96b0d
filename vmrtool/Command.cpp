// vmrtool's command line: the command, the client file and the options.
#include "vmrtool/VmrTool.h"

namespace {

constexpr char helpText[] =
    R"(Usage: vmrtool check FILE
       vmrtool export FILE [--format csv|json] [--output OUT] [--force]
       vmrtool repair FILE --output OUT [--force]
       vmrtool --help

Checks, exports and repairs a client file of Vellumor (vellumor.vmr).

  check     Reads FILE without changing it and reports its size, version tag and
            count, then one line for each problem: a short header or file, a
            damaged count (the records present are checked all the same), texts
            without their end mark, empty names, names out of the client list's
            order, dates that are no calendar day, answers beyond their options
            and ticks beyond their lists. A summary line comes last.
  export    Writes every client with every field, by field name, in file order:
            CSV (the default: UTF-8 with a byte-order mark, one header row) or
            JSON (an array of objects). Dates are YYYY-MM-DD (the number as it
            stands when it is no calendar day), answers are their option texts,
            ticked lists their items' texts; an unanswered field is empty (CSV)
            or null (JSON). Cells that begin with =, +, - or @ get a leading '
            so that a spreadsheet does not run them as formulas. Without
            --output the export goes to standard output.
  repair    Writes to OUT a sound client file made from what FILE still holds:
            the count set to the records present (a cut last record kept, its
            missing bytes zero) and the records in the client list's order.
            Every record keeps its bytes; FILE itself is never written.

Options:
  --format csv|json   the export's format (csv when not given)
  --output OUT        the file to write; written in full, then put in place
  --force             replace OUT when it exists (never FILE itself)

The client list's order compares names byte by byte with A to Z lowered; the
program's list sorts by the system's collation, which may place accented
letters and punctuation differently. Files of more than 10,000 clients report
progress on standard error.

Exit status:
  0  done; for check: the file is sound
  1  check found something wrong with the file
  2  FILE cannot be read, OUT cannot be written or exists without --force, or
     the command line is wrong
)";

struct CommandLine {
    std::string command;
    std::string file;
    std::string output;
    std::string format;
    bool force = false;
};

// Reads the arguments after the command; the reason when they are wrong.
std::string parseOptions(const std::vector<std::string>& args, CommandLine& line) {
    for (std::size_t k = 1; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (arg == "--format" || arg == "--output") {
            if (k + 1 == args.size()) return arg + " needs a value";
            (arg == "--format" ? line.format : line.output) = args[++k];
            if (args[k].empty()) return arg + " needs a value";
        } else if (arg == "--force") {
            line.force = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return "unknown option " + arg;
        } else if (line.file.empty()) {
            line.file = arg;
        } else {
            return "one client file at a time, not also " + arg;
        }
    }
    if (line.file.empty()) return line.command + " needs the client file";
    return {};
}

bool isCommand(const std::string& word) {
    return word == "check" || word == "export" || word == "repair";
}

// What is wrong with the options the command was given.
std::string optionProblem(const CommandLine& line) {
    if (line.command == "check" && (!line.format.empty() || !line.output.empty() || line.force))
        return "check takes no options";
    if (line.command == "export" && !line.format.empty() && line.format != "csv" &&
        line.format != "json")
        return "--format is csv or json, not " + line.format;
    if (line.command == "repair" && !line.format.empty()) return "repair takes no --format";
    if (line.command == "repair" && line.output.empty()) return "repair needs --output OUT";
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
    CommandLine line;
    std::string problem;
    if (args.empty()) {
        problem = "no command given";
    } else if (!isCommand(args[0])) {
        problem = "unknown command " + args[0];
    } else {
        line.command = args[0];
        problem = parseOptions(args, line);
        if (problem.empty()) problem = optionProblem(line);
    }
    if (!problem.empty()) return fail(err, problem + " (see vmrtool --help)");
    if (line.command == "check") return checkCommand(line.file, out, err);
    if (line.command == "repair")
        return repairCommand(line.file, line.output, line.force, out, err);
    return exportCommand({line.file, line.output, line.format == "json", line.force}, out, err);
}
