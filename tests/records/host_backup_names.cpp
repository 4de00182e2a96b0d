#include "records/BackupNames.h"
#include "records/CalendarDate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::wstring>;

Names sorted(Names names) {
    std::sort(names.begin(), names.end());
    return names;
}

TEST(BackupNames, NamesAreWrittenAndReadBack) {
    EXPECT_EQ(backupName({20240305, 70809}, 1), L"vellumor-20240305-070809.vmr");
    EXPECT_EQ(backupName({20240305, 70809}, 12), L"vellumor-20240305-070809-12.vmr");
    for (const BackupStamp stamp :
         {BackupStamp{{20240229, 0}, 1}, BackupStamp{{99991231, 235959}, 2},
          BackupStamp{{10101, 120000}, maxBackupSequence}}) {
        const std::optional<BackupStamp> read =
            parseBackupName(backupName(stamp.at, stamp.sequence));
        ASSERT_TRUE(read) << stamp.at.date;
        EXPECT_EQ(read->at.date, stamp.at.date);
        EXPECT_EQ(read->at.time, stamp.at.time);
        EXPECT_EQ(read->sequence, stamp.sequence);
    }
}

// Only names this program could have made are ever taken for backups.
TEST(BackupNames, OtherNamesAreNoBackups) {
    for (const wchar_t* name : {L"vellumor.vmr",
                                L"vellumor-20240305-070809.vmr.tmp",
                                L"Vellumor-20240305-070809.vmr",
                                L"copy of vellumor-20240305-070809.vmr",
                                L"vellumor-20240305-070809.VMR",
                                L"vellumor-2024035-070809.vmr",
                                L"vellumor-202403051-070809.vmr",
                                L"vellumor-20230229-070809.vmr",
                                L"vellumor-20241301-070809.vmr",
                                L"vellumor-20240305-240000.vmr",
                                L"vellumor-20240305-076009.vmr",
                                L"vellumor-20240305_070809.vmr",
                                L"vellumor-2024+305-070809.vmr",
                                L"vellumor-20240305-070809-.vmr",
                                L"vellumor-20240305-070809-1.vmr",
                                L"vellumor-20240305-070809-02.vmr",
                                L"vellumor-20240305-070809-1000.vmr",
                                L"vellumor-20240305-070809-99999999999.vmr",
                                L"vellumor-20240305-070809-2.vmr.vmr",
                                L"vellumor-20240305-070809-2x.vmr",
                                L""})
        EXPECT_FALSE(parseBackupName(name)) << name;
}

TEST(BackupNames, DayNumbersCountLeapDays) {
    EXPECT_EQ(dayNumber(20240301) - dayNumber(20240228), 2);
    EXPECT_EQ(dayNumber(20230301) - dayNumber(20230228), 1);
    EXPECT_EQ(dayNumber(20000301) - dayNumber(20000228), 2);
    EXPECT_EQ(dayNumber(21000301) - dayNumber(21000228), 1);
    EXPECT_EQ(dayNumber(20240101) - dayNumber(20231231), 1);
    EXPECT_EQ(dayNumber(20250101) - dayNumber(20240101), 366);
}

// Years-old backups: only the ten newest stay, the sequence ordering those of
// one second; names of other patterns stay however old.
TEST(BackupNames, TheTenNewestAreKept) {
    Names names = {L"notes.txt", L"vellumor-20100101-000000.vmr.old"};
    Names removed;
    for (int k = 0; k < 7; ++k) {
        const LocalTime at{20100101 + k, 120000};
        names.push_back(backupName(at, 1));
        names.push_back(backupName(at, 2));
        if (k < 2) removed.insert(removed.end(), names.end() - 2, names.end());
    }
    removed.push_back(backupName({20100103, 120000}, 1));
    names.push_back(backupName({20100107, 120000}, 10)); // after "-2" in its second
    EXPECT_EQ(sorted(backupsToRemove(names, {20240610, 90000})), sorted(removed));
    EXPECT_EQ(backupsToRemove(Names(names.begin(), names.begin() + 12), {20240610, 90000}),
              Names{});
}

// Tomorrow (a clock set back since) and today hold the ten newest; of the days
// before, the newest of each of the last 30 days (today included) stays,
// across the leap day of 2024.
TEST(BackupNames, TheNewestOfEachOfTheLastThirtyDaysIsKept) {
    const LocalTime now{20240301, 90000};
    Names names;
    Names removed;
    for (int k = 0; k < 12; ++k) {
        names.push_back(backupName({now.date, 80000 + k}, 1));
        if (k < 3) removed.push_back(names.back());
    }
    std::vector<std::int32_t> days = {20240131};
    for (int day = 1; day <= 29; ++day)
        days.push_back(20240200 + day);
    for (const std::int32_t day : days) {
        names.push_back(backupName({day, 80000}, 1));
        removed.push_back(names.back());
        names.push_back(backupName({day, 200000}, 1));
        if (day == 20240131) removed.push_back(names.back()); // 30 days ago
    }
    names.push_back(backupName({20240302, 80000}, 1));
    EXPECT_EQ(sorted(backupsToRemove(names, now)), sorted(removed));
}

} // namespace
