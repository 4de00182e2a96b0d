// The line a lock holder writes, and what a reader finds in it. (The texts the
// boxes make of it: tests/e2e/win_one_writer.cpp.)
#include "records/LockLine.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

std::string shown(const std::optional<LockHolder>& holder) {
    if (!holder) return "(nothing)";
    return holder->computer + "|" + holder->user + "|" + std::to_string(holder->started.date) +
           " " + std::to_string(holder->started.time);
}

TEST(LockLine, IsWrittenAndReadBack) {
    const struct {
        LockHolder holder;
        std::string line;
        LockHolder read; // what a reader finds in the line
    } cases[] = {
        {{"FRONT", "Zo\xEB", {20240229, 235959}},
         "FRONT\tZo\xEB\t2024-02-29 23:59:59\r\n",
         {"FRONT", "Zo\xEB", {20240229, 235959}}},
        {{"A", "b", {10101, 0}}, "A\tb\t0001-01-01 00:00:00\r\n", {"A", "b", {10101, 0}}},
        // Control characters would break the line: they become "?"; a long
        // name is cut.
        {{"PC\t1", "ann\r\n\x7F", {20991231, 120000}},
         "PC?1\tann???\t2099-12-31 12:00:00\r\n",
         {"PC?1", "ann???", {20991231, 120000}}},
        {{std::string(300, 'x'), "u", {20240101, 10203}},
         std::string(lockNameLimit, 'x') + "\tu\t2024-01-01 01:02:03\r\n",
         {std::string(lockNameLimit, 'x'), "u", {20240101, 10203}}},
    };
    for (const auto& c : cases) {
        const std::string line = encodeLockLine(c.holder);
        EXPECT_EQ(line, c.line);
        // What follows the line is not part of it.
        EXPECT_EQ(shown(decodeLockLine(line + "left over")), shown(c.read)) << line;
    }
}

TEST(LockLine, DamagedOrEmptyLineNamesNoHolder) {
    const std::string line = "DESK-2\tmaria\t2024-03-05 09:07:05\r\n";
    const std::string damaged[] = {
        "DESK-2\tmaria\t2024-03-05 09:07:05\n", // LF alone
        "DESK-2\tmaria\r\n",
        "DESK-2\tmaria\t2024-03-05 09:07:05\textra\r\n",
        "\tmaria\t2024-03-05 09:07:05\r\n",
        "DESK\x01-2\tmaria\t2024-03-05 09:07:05\r\n",
        std::string(lockNameLimit + 1, 'x') + "\tmaria\t2024-03-05 09:07:05\r\n",
        "DESK-2\tmaria\t2023-02-29 09:07:05\r\n", // no leap year
        "DESK-2\tmaria\t2024-03-05 24:00:00\r\n",
        "DESK-2\tmaria\t2024-03-05 09:60:05\r\n",
        "DESK-2\tmaria\t2024-03-05 09:07:60\r\n",
        "DESK-2\tmaria\t2024-3-05 09:07:05\r\n",
        "DESK-2\tmaria\t+024-03-05 09:07:05\r\n",
        std::string("DESK-2\tmaria\t2024-03-05 09:07:05\0\r\n", 35),
        std::string(8, '\0'),
    };
    for (const std::string& bytes : damaged)
        EXPECT_EQ(shown(decodeLockLine(bytes)), "(nothing)") << testing::PrintToString(bytes);
    // A line read while its holder writes it, the empty one first: every part
    // of it short of the end.
    for (std::size_t size = 0; size < line.size(); ++size)
        EXPECT_EQ(shown(decodeLockLine(line.substr(0, size))), "(nothing)") << size;
    EXPECT_EQ(shown(decodeLockLine(line)), "DESK-2|maria|20240305 90705");
}

} // namespace
