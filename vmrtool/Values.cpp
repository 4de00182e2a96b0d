// How the tool reads a record's values: the list's order and texts for
// messages.
#include "vmrtool/VmrTool.h"

#include "toolkit/text/Text.h"

std::string listKey(const ClientRecord& record) {
    std::string key = recordName(record);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

std::string counted(std::size_t count, const char* word) {
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

std::string shownText(std::string_view win1252) { return shownUtf8(win1252ToUtf8(win1252)); }

std::string shownUtf8(std::string_view utf8) {
    std::string shown = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '"' || c == '\\') {
            constexpr char hex[] = "0123456789ABCDEF";
            shown += "\\x";
            shown += hex[byte >> 4];
            shown += hex[byte & 0xF];
        } else {
            shown += c;
        }
    }
    return shown + "\"";
}
