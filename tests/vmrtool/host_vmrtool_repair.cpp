// vmrtool repair, and the command line: the repaired file decoded by the codec,
// the damaged file never written, the usage errors, and the program itself.
#include "ToolTest.h"
#include "tests/support/SameRecord.h"

#include <unistd.h>

#include <sys/wait.h>

using namespace tooltest;

namespace {

DecodedClients decodedFile(const std::string& path) {
    const std::string bytes = readFile(path);
    return decodeClients(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

ClientRecord distinct(const std::string& name, std::uint8_t mark) {
    ClientRecord record = client(name);
    std::memset(record.elaboration, mark, sizeof record.elaboration); // no terminator: kept as is
    record.cycle = mark;
    return record;
}

} // namespace

TEST(VmrtoolRepair, ClampsSortsAndKeepsEveryRecordsBytes) {
    const std::vector<ClientRecord> records = {distinct("carol", 1), distinct("Alice", 2),
                                               distinct("bob", 3), distinct("alice", 4),
                                               distinct("Dave", 5)};
    const std::vector<std::size_t> order = {1, 3, 2, 0, 4}; // "alice" stays after "Alice"
    const struct {
        const char* what;
        std::int32_t count;
        std::size_t size; // bytes kept of the file
        std::size_t clients;
    } cases[] = {
        {"sound count, unsorted", 5, 8 + 5 * clientRecordSize, 5},
        {"count beyond the records, last cut", 9, 8 + 4 * clientRecordSize + 100, 5},
        {"negative count", -3, 8 + 5 * clientRecordSize, 5},
        {"huge count", 2000000000, 8 + 5 * clientRecordSize, 5},
        {"trailing records of an earlier save", 3, 8 + 5 * clientRecordSize, 3},
    };
    TempDir dir;
    for (const auto& c : cases) {
        std::vector<std::uint8_t> bytes = withCount(fileOf(records), c.count);
        bytes.resize(c.size);
        writeFile(dir.path("damaged.vmr"), bytes);
        const ToolRun result =
            run({"repair", dir.path("damaged.vmr"), "--output", dir.path("fixed.vmr"), "--force"});
        ASSERT_EQ(result.status, 0) << c.what << ": " << result.err;
        const DecodedClients fixed = decodedFile(dir.path("fixed.vmr"));
        ASSERT_TRUE(fixed.ok) << c.what;
        EXPECT_EQ(readFile(dir.path("fixed.vmr")).substr(0, 4), "1.01");
        ASSERT_EQ(fixed.records.size(), c.clients) << c.what;
        std::size_t k = 0;
        for (const std::size_t original : order) {
            if (original >= c.clients) continue;
            ClientRecord expected = records[original];
            const std::size_t held =
                std::min<std::size_t>(clientRecordSize, c.size - 8 - original * clientRecordSize);
            std::memset(reinterpret_cast<std::uint8_t*>(&expected) + held, 0,
                        clientRecordSize - held);
            EXPECT_TRUE(sameRecord(fixed.records[k], expected))
                << c.what << ": place " << k << " holds " << recordName(fixed.records[k])
                << ", expected " << recordName(records[original]);
            ++k;
        }
        const ToolRun check = run({"check", dir.path("fixed.vmr")});
        EXPECT_EQ(check.out.find("file: "), std::string::npos) << c.what << "\n" << check.out;
        EXPECT_EQ(check.out.find("list's order"), std::string::npos) << c.what << "\n" << check.out;
    }
}

TEST(VmrtoolRepair, ReportsWhatItDid) {
    TempDir dir;
    writeFile(dir.path("in.vmr"), withCount(fileOf({client("b"), client("a")}), 4));
    const ToolRun result = run({"repair", dir.path("in.vmr"), "--output", dir.path("out.vmr")});
    EXPECT_EQ(result.out,
              "repaired: " + dir.path("out.vmr") +
                  " holds 2 clients (the count said 4), 2 moved into the list's order\n");
    writeFile(dir.path("empty.vmr"), {});
    EXPECT_EQ(run({"repair", dir.path("empty.vmr"), "--output", dir.path("new.vmr")}).status, 0);
    EXPECT_EQ(readFile(dir.path("new.vmr")), std::string("1.01\0\0\0\0", 8));
}

TEST(VmrtoolRepair, NeverWritesOverItsInput) {
    TempDir dir;
    const std::string input = dir.path("clients.vmr");
    writeFile(input, withCount(fileOf({client("b"), client("a")}), 5));
    const std::string original = readFile(input);
    ASSERT_EQ(link(input.c_str(), dir.path("hardlink.vmr").c_str()), 0);
    ASSERT_EQ(symlink(input.c_str(), dir.path("symlink.vmr").c_str()), 0);
    for (const std::string& alias :
         {input, dir.path("./clients.vmr"), dir.path("hardlink.vmr"), dir.path("symlink.vmr")}) {
        const ToolRun result = run({"repair", input, "--output", alias, "--force"});
        EXPECT_EQ(result.status, 2) << alias;
        EXPECT_EQ(result.err,
                  "vmrtool: " + alias + " is the file being repaired; write to another file\n");
        EXPECT_EQ(readFile(input), original) << alias;
    }
    EXPECT_EQ(dir.names().size(), 3u) << "a temporary file was left behind";
}

TEST(VmrtoolRepair, ExistingOutputNeedsForce) {
    TempDir dir;
    writeFile(dir.path("in.vmr"), fileOf({client("a")}));
    std::ofstream(dir.path("out.vmr")) << "older";
    ToolRun result = run({"repair", dir.path("in.vmr"), "--output", dir.path("out.vmr")});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(readFile(dir.path("out.vmr")), "older");
    result = run({"repair", dir.path("in.vmr"), "--output", dir.path("out.vmr"), "--force"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(readFile(dir.path("out.vmr")), readFile(dir.path("in.vmr")));
    EXPECT_EQ(dir.names().size(), 2u) << "a temporary file was left behind";
}

TEST(VmrtoolCommand, UsageErrorsExitTwoWithOneLine) {
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{}, "no command given"},
        {{"frob", "a"}, "unknown command frob"},
        {{"check"}, "check needs the client file"},
        {{"check", "a", "b"}, "one client file at a time, not also b"},
        {{"check", "a", "--force"}, "check takes no options"},
        {{"check", "a", "--output", "x"}, "check takes no options"},
        {{"export", "a", "--format", "xml"}, "--format is csv or json, not xml"},
        {{"export", "a", "--output"}, "--output needs a value"},
        {{"export", "a", "--output", ""}, "--output needs a value"},
        {{"export", "a", "--bogus"}, "unknown option --bogus"},
        {{"repair", "a"}, "repair needs --output OUT"},
        {{"repair", "a", "--output", "b", "--format", "csv"}, "repair takes no --format"},
        {{"import", "a.csv"}, "import needs --output OUT"},
        {{"import", "--output", "b"}, "import needs the CSV file"},
        {{"import", "a.csv", "--output", "b", "--format", "csv"}, "import takes no --format"},
        {{"export", "a", "--lenient"}, "--merge and --lenient are for import"},
        {{"repair", "a", "--output", "b", "--merge", "c"}, "--merge and --lenient are for import"},
        {{"export", "a", "--day-first"}, "--day-first is for import"},
        {{"check", "a", "--day-first"}, "check takes no options"},
    };
    for (const auto& c : cases) {
        const ToolRun result = run(c.args);
        EXPECT_EQ(result.status, 2) << c.message;
        EXPECT_EQ(result.err, std::string("vmrtool: ") + c.message + " (see vmrtool --help)\n");
        EXPECT_EQ(result.out, "");
    }
}

TEST(VmrtoolCommand, HelpNamesTheCommandsAndExitStatuses) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, {"-h"}, {"help"}, {"export", "x", "--help"}}) {
        const ToolRun result = run(args);
        EXPECT_EQ(result.status, 0);
        for (const char* part : {"check FILE", "export FILE", "import CLIENTS.csv --output OUT",
                                 "repair FILE --output OUT", "Exit status:",
                                 "  2  FILE cannot be read", "--day-first", "D.M.YYYY"})
            EXPECT_NE(result.out.find(part), std::string::npos) << part;
    }
}

TEST(VmrtoolCommand, TheProgramPassesStatusAndBytesThrough) {
    const std::string program =
        (fs::read_symlink("/proc/self/exe").parent_path() / "vmrtool").string();
    ASSERT_TRUE(fs::exists(program)) << program;
    TempDir dir;
    writeFile(dir.path("in.vmr"), fileOf({client("b"), client("a")}));
    const auto status = [](const std::string& command) {
        const int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    EXPECT_EQ(status(program + " check " + dir.path("missing") + " 2>/dev/null"), 2);
    EXPECT_EQ(status(program + " check " + dir.path("in.vmr") + " >/dev/null"), 1);
    EXPECT_EQ(status(program + " export " + dir.path("in.vmr") + " > " + dir.path("piped.csv")), 0);
    EXPECT_EQ(run({"export", dir.path("in.vmr"), "--output", dir.path("direct.csv")}).status, 0);
    EXPECT_EQ(readFile(dir.path("piped.csv")), readFile(dir.path("direct.csv")));
}
