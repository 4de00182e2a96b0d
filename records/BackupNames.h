// The client file's backups: a save keeps the file it replaces in the folder
// "Backups" beside it as "vellumor-YYYYMMDD-HHMMSS.vmr", in local time, with
// "-2", "-3" ... before ".vmr" when that name is taken. Here are their names
// and which of them are kept; pure, no I/O and no clock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr wchar_t backupFolderName[] = L"Backups";

// Kept: the newest backups, however old, and the newest of each of the last
// days, today included.
inline constexpr int keptNewest = 10;
inline constexpr int keptDays = 30;
// The highest "-N" a save tries within one second.
inline constexpr int maxBackupSequence = 999;

struct LocalTime {
    std::int32_t date; // year * 10000 + month * 100 + day, as the records' dates
    std::int32_t time; // hour * 10000 + minute * 100 + second
};

struct BackupStamp {
    LocalTime at;
    int sequence; // 1 for the name without "-N"
};

// The name of the backup made at `at`; `sequence` 1 has no "-N".
std::wstring backupName(LocalTime at, int sequence);
// The stamp of a name of exactly that pattern, with a real date and time and a
// sequence from 2 to maxBackupSequence written without leading zeros; nothing
// for any other name.
std::optional<BackupStamp> parseBackupName(std::wstring_view name);
// The backups among `names` that a save made at `now` removes. Backups order
// by the time in their names, then by sequence; names of any other pattern are
// never among them.
std::vector<std::wstring> backupsToRemove(const std::vector<std::wstring>& names, LocalTime now);
