#include "TestData.h"

#include "WindowsTest.h"

#include "records/ClientCodec.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

} // namespace

// Others may go on reading and writing the file meanwhile, as they may while a
// C runtime stream has it open.
Bytes fileBytes(const std::wstring& path) {
    const HANDLE opened =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return {};
    const UniqueHandle file(opened);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return {};
    Bytes bytes(static_cast<std::size_t>(size.QuadPart));
    DWORD done = 0;
    if (!bytes.empty() &&
        !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr))
        done = 0;
    bytes.resize(done);
    return bytes;
}

void writeFileBytes(const std::wstring& path, const Bytes& bytes) {
    std::ofstream file(std::filesystem::path(path), std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void removeFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            const std::wstring path = folder + name;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                if (name != L"." && name != L"..") removeFolder(path + L"\\");
                continue;
            }
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            // The program's file may stay locked for a moment after its process ended.
            waitUntil([&] { return DeleteFileW(path.c_str()) != FALSE; }, 2000);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

ClientRecord recordNamed(std::string_view name, std::string_view city) {
    ClientRecord record{};
    writeText(record, CLIENT_FIELD(name), name);
    writeText(record, CLIENT_FIELD(city), city);
    return record;
}

Bytes clientsFile(const std::vector<std::string>& names) {
    std::vector<ClientRecord> records;
    for (const std::string& name : names)
        records.push_back(recordNamed(name, "Fresno"));
    return encodeClients(records);
}
