// Shared by the vmrtool tests: client files made in a temporary folder, and the
// tool run in-process with its output and messages captured.
#pragma once

#include "records/ClientCodec.h"
#include "records/ClientFields.h"
#include "vmrtool/VmrTool.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tooltest {

namespace fs = std::filesystem;

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
  public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "vmrtool-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) ADD_FAILURE() << "mkdtemp: " << std::strerror(errno);
        root = pattern;
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    std::string path(const std::string& name) const { return (root / name).string(); }
    std::vector<std::string> names() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(root))
            found.push_back(entry.path().filename().string());
        return found;
    }

  private:
    fs::path root;
};

inline ClientRecord client(const std::string& name) {
    ClientRecord record{};
    writeText(record, fields::name.span, name);
    return record;
}

inline std::vector<std::uint8_t> fileOf(const std::vector<ClientRecord>& records) {
    return encodeClients(records);
}

// The same bytes with another count in the header.
inline std::vector<std::uint8_t> withCount(std::vector<std::uint8_t> bytes, std::int32_t count) {
    const auto value = static_cast<std::uint32_t>(count);
    for (int k = 0; k < 4; ++k)
        bytes[4 + k] = static_cast<std::uint8_t>(value >> (8 * k));
    return bytes;
}

inline void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

inline std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline std::string contentOf(std::FILE* file) {
    std::string text;
    std::rewind(file);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, n);
    std::fclose(file);
    return text;
}

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

inline ToolRun run(const std::vector<std::string>& args) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int status = runTool(args, out, err);
    return {status, contentOf(out), contentOf(err)};
}

inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> found;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        found.push_back(text.substr(start, end - start));
    return found;
}

} // namespace tooltest
