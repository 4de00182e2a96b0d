// The data the Windows tests build and check: a file's bytes, and a client
// record that holds only a name and a city.
#pragma once

#include "records/ClientRecord.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// The file's bytes, read at once (the tests compare client files of many
// megabytes); empty when it is missing or cannot be opened.
Bytes fileBytes(const std::wstring& path);
// Makes `bytes` the whole file.
void writeFileBytes(const std::wstring& path, const Bytes& bytes);

// Removes `folder` (ending with a backslash) with its files and folders, read-
// only ones too. A file another process still holds is tried again for a
// moment.
void removeFolder(const std::wstring& folder);

// An otherwise empty record with this name and city.
ClientRecord recordNamed(std::string_view name, std::string_view city = "");
// A client file of clients with these names, in this order, each in Fresno.
Bytes clientsFile(const std::vector<std::string>& names);
