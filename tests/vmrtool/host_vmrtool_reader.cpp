// The client file reader that the commands share: records in runs that
// cover the file once, a record cut by the file's end read with its missing
// bytes zero, and a file cut short by another program while it is read.
#include "ToolTest.h"
#include "tests/support/SameRecord.h"

#include <unistd.h>

using namespace tooltest;

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
    ClientRecord expected = last; // its bytes up to the cut, zero after it
    std::memset(reinterpret_cast<std::uint8_t*>(&expected) + clientRecordSize - 100, 0, 100);

    for (const std::size_t most : {std::size_t{1}, std::size_t{2}, std::size_t{5}, clientBatch}) {
        ClientFileReader reader;
        std::string error;
        ASSERT_TRUE(reader.open(dir.path("cut.vmr"), error)) << error;
        std::vector<std::string> names;
        std::vector<ClientRecord> run;
        do {
            ASSERT_TRUE(reader.read(run, most, error)) << error;
            EXPECT_LE(run.size(), most);
            for (const ClientRecord& record : run)
                names.push_back(recordName(record));
        } while (!run.empty());
        EXPECT_EQ(names, (std::vector<std::string>{"c0", "c1", "c2", "c3", "c4", "zed"}))
            << "runs of " << most;
    }

    ClientFileReader reader;
    std::string error;
    ASSERT_TRUE(reader.open(dir.path("cut.vmr"), error)) << error;
    std::vector<ClientRecord> all;
    ASSERT_TRUE(reader.read(all, 10, error)) << error;
    ASSERT_EQ(all.size(), 6u);
    EXPECT_TRUE(sameRecord(all[5], expected));
    EXPECT_FALSE(readItem(all[5], fields::respiratory.span, 0));
}

TEST(VmrtoolReader, ProgressCountsAFileWhoseLastRecordIsCut) {
    // 10,242 clients, the last of them cut: ten batches of 1024 and one of 2.
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

TEST(VmrtoolReader, FileCutShortWhileBeingReadIsAnErrorAndLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir.path("shrinking.vmr");
    writeFile(path, fileOf(std::vector<ClientRecord>(8, client("gone"))));
    {
        std::string error;
        ReplacingFile output; // an export's output, never committed
        ASSERT_TRUE(output.open(dir.path("out.csv"), error)) << error;
        ClientFileReader reader;
        ASSERT_TRUE(reader.open(path, error)) << error;
        // Another program cuts the file to its header.
        ASSERT_EQ(truncate(path.c_str(), fileHeaderSize), 0);
        std::vector<ClientRecord> records;
        EXPECT_FALSE(reader.read(records, 8, error));
        EXPECT_EQ(error, "cannot read " + path + ": it shrank");
    }
    EXPECT_EQ(dir.names(), std::vector<std::string>{"shrinking.vmr"});
}
