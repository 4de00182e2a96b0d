#include "records/LockLine.h"

#include "records/CalendarDate.h"

#include <cstdio>
#include <vector>

namespace {

bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

std::string lineName(std::string_view name) {
    std::string kept(name.substr(0, lockNameLimit));
    for (char& c : kept)
        if (isControl(c)) c = '?';
    return kept;
}

// The digits of `text` at `at` .. `at + count - 1`; nothing when one is not a digit.
std::optional<std::int32_t> digitsAt(std::string_view text, std::size_t at, std::size_t count) {
    std::int32_t value = 0;
    for (std::size_t k = at; k < at + count; ++k) {
        if (text[k] < '0' || text[k] > '9') return std::nullopt;
        value = value * 10 + (text[k] - '0');
    }
    return value;
}

// "YYYY-MM-DD HH:MM:SS", a real day and a real time of day.
std::optional<LocalTime> parseTime(std::string_view text) {
    constexpr std::string_view pattern = "0000-00-00 00:00:00";
    if (text.size() != pattern.size()) return std::nullopt;
    for (std::size_t k = 0; k < pattern.size(); ++k)
        if (pattern[k] != '0' && text[k] != pattern[k]) return std::nullopt;
    const auto year = digitsAt(text, 0, 4), month = digitsAt(text, 5, 2),
               day = digitsAt(text, 8, 2);
    const auto hour = digitsAt(text, 11, 2), minute = digitsAt(text, 14, 2),
               second = digitsAt(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    const LocalTime at{*year * 10000 + *month * 100 + *day,
                       *hour * 10000 + *minute * 100 + *second};
    if (!isCalendarDate(at.date) || !isClockTime(at.time)) return std::nullopt;
    return at;
}

bool isSoundName(std::string_view name) {
    if (name.empty() || name.size() > lockNameLimit) return false;
    for (const char c : name)
        if (isControl(c)) return false;
    return true;
}

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> parts;
    for (std::size_t tab; (tab = line.find('\t')) != std::string_view::npos;) {
        parts.push_back(line.substr(0, tab));
        line.remove_prefix(tab + 1);
    }
    parts.push_back(line);
    return parts;
}

} // namespace

std::string encodeLockLine(const LockHolder& holder) {
    const LocalTime at = holder.started;
    char time[64];
    std::snprintf(time, sizeof time, "%04d-%02d-%02d %02d:%02d:%02d\r\n", at.date / 10000,
                  at.date / 100 % 100, at.date % 100, at.time / 10000, at.time / 100 % 100,
                  at.time % 100);
    return lineName(holder.computer) + '\t' + lineName(holder.user) + '\t' + time;
}

std::optional<LockHolder> decodeLockLine(std::string_view bytes) {
    const std::size_t end = bytes.find("\r\n");
    if (end == std::string_view::npos) return std::nullopt;
    const std::vector<std::string_view> parts = fields(bytes.substr(0, end));
    if (parts.size() != 3 || !isSoundName(parts[0]) || !isSoundName(parts[1])) return std::nullopt;
    const std::optional<LocalTime> started = parseTime(parts[2]);
    if (!started) return std::nullopt;
    return LockHolder{std::string(parts[0]), std::string(parts[1]), *started};
}

std::string holderText(const std::optional<LockHolder>& holder) {
    if (!holder) return "Vellumor on another computer or by another Windows user";
    return "Vellumor on " + holder->computer + " (user " + holder->user + ")";
}

std::string startText(LocalTime started) {
    char text[64];
    std::snprintf(text, sizeof text, "%02d-%02d-%04d %02d:%02d", started.date / 100 % 100,
                  started.date % 100, started.date / 10000, started.time / 10000,
                  started.time / 100 % 100);
    return text;
}
