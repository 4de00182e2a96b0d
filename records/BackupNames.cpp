#include "records/BackupNames.h"

#include "records/CalendarDate.h"

#include <algorithm>
#include <tuple>

namespace {

constexpr std::wstring_view prefix = L"vellumor-";
constexpr std::wstring_view extension = L".vmr";

void putDigits(std::wstring& text, std::int32_t value, int digits) {
    std::wstring number = std::to_wstring(value);
    if (number.size() < static_cast<std::size_t>(digits))
        number.insert(0, static_cast<std::size_t>(digits) - number.size(), L'0');
    text += number;
}

// Reads exactly `digits` digits from the front of `text`.
std::optional<std::int32_t> takeDigits(std::wstring_view& text, std::size_t digits) {
    if (text.size() < digits) return std::nullopt;
    std::int32_t value = 0;
    for (std::size_t k = 0; k < digits; ++k) {
        if (text[k] < L'0' || text[k] > L'9') return std::nullopt;
        value = value * 10 + (text[k] - L'0');
    }
    text.remove_prefix(digits);
    return value;
}

bool take(std::wstring_view& text, std::wstring_view part) {
    if (text.substr(0, part.size()) != part) return false;
    text.remove_prefix(part.size());
    return true;
}

auto order(const BackupStamp& stamp) {
    return std::make_tuple(stamp.at.date, stamp.at.time, stamp.sequence);
}

} // namespace

std::wstring backupName(LocalTime at, int sequence) {
    std::wstring name(prefix);
    putDigits(name, at.date, 8);
    name += L'-';
    putDigits(name, at.time, 6);
    if (sequence > 1) name += L'-' + std::to_wstring(sequence);
    return name += extension;
}

std::optional<BackupStamp> parseBackupName(std::wstring_view name) {
    if (!take(name, prefix)) return std::nullopt;
    const std::optional<std::int32_t> date = takeDigits(name, 8);
    if (!date || !isCalendarDate(*date) || !take(name, L"-")) return std::nullopt;
    const std::optional<std::int32_t> time = takeDigits(name, 6);
    if (!time || !isClockTime(*time)) return std::nullopt;
    BackupStamp stamp{{*date, *time}, 1};
    if (take(name, L"-")) {
        const std::size_t digits = name.find(extension); // at most 9 fit in 32 bits
        if (digits == 0 || digits > 9 || name[0] == L'0') return std::nullopt;
        const std::optional<std::int32_t> sequence = takeDigits(name, digits);
        if (!sequence || *sequence < 2 || *sequence > maxBackupSequence) return std::nullopt;
        stamp.sequence = *sequence;
    }
    if (name != extension) return std::nullopt;
    return stamp;
}

std::vector<std::wstring> backupsToRemove(const std::vector<std::wstring>& names, LocalTime now) {
    struct Backup {
        BackupStamp stamp;
        const std::wstring* name;
    };
    std::vector<Backup> backups;
    for (const std::wstring& name : names)
        if (const std::optional<BackupStamp> stamp = parseBackupName(name))
            backups.push_back({*stamp, &name});
    std::sort(backups.begin(), backups.end(),
              [](const Backup& a, const Backup& b) { return order(a.stamp) > order(b.stamp); });

    // Newest first, so the first backup of each date is that day's newest.
    std::vector<std::wstring> removed;
    const std::int32_t today = dayNumber(now.date);
    for (std::size_t k = 0; k < backups.size(); ++k) {
        const std::int32_t date = backups[k].stamp.at.date;
        const std::int32_t age = today - dayNumber(date);
        const bool newestOfItsDay = k == 0 || backups[k - 1].stamp.at.date != date;
        const bool recentDay = age >= 0 && age < keptDays;
        if (k >= static_cast<std::size_t>(keptNewest) && !(newestOfItsDay && recentDay))
            removed.push_back(*backups[k].name);
    }
    return removed;
}
