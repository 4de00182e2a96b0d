// The client file reader that the commands share: records in place where the
// file is mapped, a record cut by the file's end read with its missing bytes
// zero, and a file cut short by another program while it is read.
#include "ToolTest.h"
#include "tests/support/SameRecord.h"

#include <unistd.h>

using namespace tooltest;

namespace {

// The names of the records, in the order the reader hands them out, taking
// `most` at a time and checking that each run starts where the last ended.
std::vector<std::string> namesViewed(ClientFileReader& reader, std::size_t most) {
    std::vector<std::string> names;
    std::vector<ClientRecord> buffer;
    RecordBytes records;
    std::string error;
    do {
        EXPECT_TRUE(reader.view(most, buffer, records, error)) << error;
        EXPECT_EQ(records.first, names.size());
        EXPECT_LE(records.count, most);
        for (std::size_t k = 0; k < records.count; ++k) {
            ClientRecord record;
            std::memcpy(&record, records.bytes + k * clientRecordSize, clientRecordSize);
            names.push_back(recordName(record));
        }
    } while (records.count != 0);
    return names;
}

} // namespace

TEST(VmrtoolReader, RunsCoverEveryRecordOnceAndTheCutOneIsZeroFilled) {
    TempDir dir;
    ClientRecord last = client("zed");
    writeItem(last, fields::respiratory.span, 0, true); // a byte past the cut
    std::vector<ClientRecord> records;
    for (int k = 0; k < 5; ++k)
        records.push_back(client("c" + std::to_string(k)));
    records.push_back(last);
    std::vector<std::uint8_t> bytes = fileOf(records);
    bytes.resize(bytes.size() - 100); // the last record loses its last 100 bytes
    writeFile(dir.path("cut.vmr"), bytes);

    for (const std::size_t most : {std::size_t{1}, std::size_t{2}, std::size_t{5}, clientBatch}) {
        ClientFileReader reader;
        std::string error;
        ASSERT_TRUE(reader.open(dir.path("cut.vmr"), error)) << error;
        EXPECT_EQ(namesViewed(reader, most),
                  (std::vector<std::string>{"c0", "c1", "c2", "c3", "c4", "zed"}))
            << most;
    }

    // Runs and whole reads share one position, and the cut record reads the
    // same either way: its bytes up to the cut, zero after it.
    ClientFileReader reader;
    std::string error;
    ASSERT_TRUE(reader.open(dir.path("cut.vmr"), error)) << error;
    std::vector<ClientRecord> buffer;
    RecordBytes run;
    ASSERT_TRUE(reader.view(5, buffer, run, error));
    ASSERT_EQ(run.count, 5u);
    std::vector<ClientRecord> rest;
    ASSERT_TRUE(reader.read(rest, 10, error));
    ASSERT_EQ(rest.size(), 1u);
    ClientRecord expected = last;
    std::memset(reinterpret_cast<std::uint8_t*>(&expected) + clientRecordSize - 100, 0, 100);
    EXPECT_TRUE(sameRecord(rest[0], expected));
    EXPECT_FALSE(readItem(rest[0], fields::respiratory.span, 0));
    ASSERT_TRUE(reader.read(rest, 10, error));
    EXPECT_TRUE(rest.empty());
}

TEST(VmrtoolReader, ProgressCountsAFileWhoseLastRecordIsCut) {
    // 10,241 clients: ten runs of 1024, one of 1 and the cut record on its own.
    TempDir dir;
    std::vector<ClientRecord> records(10242, client("same"));
    std::vector<std::uint8_t> bytes = fileOf(records);
    bytes.resize(bytes.size() - 1);
    writeFile(dir.path("cut.vmr"), bytes);
    const ToolRun result = run({"export", dir.path("cut.vmr"), "--format", "json"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(lines(result.out).size(), 10242u + 2);
    std::vector<std::string> progress = lines(result.err);
    ASSERT_GT(progress.size(), 1u);
    EXPECT_NE(progress.front().find("is damaged"), std::string::npos) << progress.front();
    progress.erase(progress.begin());
    EXPECT_EQ(progress.back(), "vmrtool: exported 10242 of 10242 clients") << result.err;
    std::size_t previous = 0;
    for (const std::string& line : progress) {
        std::size_t done = 0;
        char total[32] = {};
        ASSERT_EQ(std::sscanf(line.c_str(), "vmrtool: exported %zu of %31s", &done, total), 2)
            << line;
        EXPECT_STREQ(total, "10242");
        EXPECT_GT(done, previous) << line;
        EXPECT_LE(done, 10242u) << line;
        previous = done;
    }
}

TEST(VmrtoolReaderDeathTest, FileCutShortWhileMappedEndsWithAMessageAndNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir.path("shrinking.vmr");
    writeFile(path, fileOf(std::vector<ClientRecord>(8, client("gone"))));
    const auto readAfterTheCut = [&] {
        std::string error;
        ReplacingFile output;
        if (!output.open(dir.path("out.csv"), error)) std::_Exit(10);
        ClientFileReader reader;
        if (!reader.open(path, error)) std::_Exit(11);
        // Another program cuts the file to its header.
        if (truncate(path.c_str(), fileHeaderSize) != 0) std::_Exit(12);
        std::vector<ClientRecord> buffer;
        RecordBytes records;
        if (!reader.view(8, buffer, records, error)) std::_Exit(13);
        unsigned sum = 0;
        for (std::size_t k = 0; k < records.count * clientRecordSize; ++k)
            sum += records.bytes[k];
        std::_Exit(sum == 0 ? 14 : 15); // the file was read, not mapped
    };
    EXPECT_EXIT(readAfterTheCut(), testing::ExitedWithCode(exitFailed),
                "vmrtool: cannot read " + path + ": it shrank while being read");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"shrinking.vmr"});
}
