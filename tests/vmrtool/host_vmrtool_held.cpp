// vmrtool and a client file that a copy of Vellumor holds: import and repair
// refuse to write over it and name the holder; check and export read it as
// ever. The holder's lock is played by an open-file-description lock of the
// test, which conflicts with the tool's probe as another process's lock does.
#include "ToolTest.h"

#include "records/LockLine.h"

#include <fcntl.h>
#include <optional>
#include <unistd.h>

using namespace tooltest;

namespace {

// The lock file of `clientFile` with `text` in it and, when `exclusive`, the
// holder's lock on it; a shared lock otherwise, as a reader's probe takes for a
// moment.
class HeldLock {
  public:
    HeldLock(const std::string& clientFile, const std::string& text, bool exclusive = true)
        : file(::open((clientFile + lockFileSuffix).c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644)) {
        struct flock range {};
        range.l_type = exclusive ? F_WRLCK : F_RDLCK;
        range.l_whence = SEEK_SET;
        range.l_start = static_cast<off_t>(lockedByte);
        range.l_len = 1;
        const bool written =
            ::write(file, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        locked = written && fcntl(file, F_OFD_SETLK, &range) == 0;
    }
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;
    ~HeldLock() { ::close(file); }

    bool held() const { return locked; }

  private:
    int file;
    bool locked = false;
};

const std::string heldText = "DESK-2\tZo\xEB\t2024-03-05 09:07:05\r\n";

struct Paths {
    TempDir dir;
    std::string held = dir.path("vellumor.vmr");
    std::string csv = dir.path("clients.csv");
    std::string other = dir.path("other.vmr");
};

// import and repair, each writing over `held`.
std::vector<std::vector<std::string>> writers(const Paths& paths) {
    return {{"import", paths.csv, "--output", paths.held, "--force"},
            {"repair", paths.other, "--output", paths.held, "--force"}};
}

void prepare(const Paths& paths) {
    writeFile(paths.held, fileOf({client("Ann"), client("Bob")}));
    writeFile(paths.other, fileOf({client("Cy")}));
    const std::string csv = "name\nDee\n";
    writeFile(paths.csv, std::vector<std::uint8_t>(csv.begin(), csv.end()));
}

TEST(VmrtoolHeld, ImportAndRepairRefuseAFileVellumorHolds) {
    const struct {
        const char* what;
        std::string line;
        std::string holder; // as the message names it
    } cases[] = {
        {"a sound line", heldText, "Vellumor on DESK-2 (user Zo\xC3\xAB)"},
        {"an empty line", "", "Vellumor on another computer or by another Windows user"},
        {"a damaged line", "DESK-2\tmaria\r\n",
         "Vellumor on another computer or by another Windows user"},
    };
    for (const auto& c : cases) {
        const Paths paths;
        prepare(paths);
        const std::string before = readFile(paths.held);
        const HeldLock lock(paths.held, c.line);
        ASSERT_TRUE(lock.held()) << c.what;
        for (const std::vector<std::string>& args : writers(paths)) {
            const ToolRun result = run(args);
            EXPECT_EQ(result.status, exitFailed) << c.what << ", " << args[0];
            EXPECT_EQ(result.err, "vmrtool: " + paths.held + " is in use by " + c.holder +
                                      "; quit it there first.\n")
                << c.what << ", " << args[0];
            EXPECT_EQ(result.out, "") << c.what << ", " << args[0];
        }
        EXPECT_EQ(readFile(paths.held), before) << c.what;
        EXPECT_EQ(paths.dir.names().size(), 4u) << c.what << ": nothing written beside it";
    }
}

TEST(VmrtoolHeld, CheckAndExportReadAHeldFileAsEver) {
    const Paths paths;
    prepare(paths);
    const std::vector<std::vector<std::string>> readers = {{"check", paths.held},
                                                           {"export", paths.held}};
    std::vector<ToolRun> unheld;
    for (const std::vector<std::string>& args : readers)
        unheld.push_back(run(args));
    const HeldLock lock(paths.held, heldText);
    ASSERT_TRUE(lock.held());
    for (std::size_t k = 0; k < readers.size(); ++k) {
        const ToolRun result = run(readers[k]);
        EXPECT_EQ(result.status, exitDone) << readers[k][0] << ": " << result.err;
        EXPECT_EQ(result.out, unheld[k].out) << readers[k][0];
        EXPECT_EQ(result.err, unheld[k].err) << readers[k][0];
    }
}

// A lock file left by a copy that has ended, or one only looked at by a reader,
// stops nothing.
TEST(VmrtoolHeld, FileWhoseLockNobodyHoldsIsWritten) {
    for (const bool readerLooking : {false, true}) {
        const Paths paths;
        prepare(paths);
        std::optional<HeldLock> reader;
        if (readerLooking) {
            reader.emplace(paths.held, heldText, false);
            ASSERT_TRUE(reader->held());
        } else {
            const std::string text = heldText;
            writeFile(paths.held + lockFileSuffix,
                      std::vector<std::uint8_t>(text.begin(), text.end()));
        }
        for (const std::vector<std::string>& args : writers(paths)) {
            const ToolRun result = run(args);
            EXPECT_EQ(result.status, exitDone)
                << args[0] << (readerLooking ? ", a reader looking: " : ": ") << result.err;
        }
        EXPECT_EQ(readFile(paths.held), readFile(paths.other)) << "repaired last: Cy alone";
    }
}

} // namespace
