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

std::string shownText(std::string_view win1252) {
    std::string shown = "\"";
    for (const char c : win1252) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '"' || c == '\\') {
            constexpr char hex[] = "0123456789ABCDEF";
            shown += "\\x";
            shown += hex[byte >> 4];
            shown += hex[byte & 0xF];
        } else {
            shown += win1252ToUtf8(std::string_view(&c, 1));
        }
    }
    return shown + "\"";
}
