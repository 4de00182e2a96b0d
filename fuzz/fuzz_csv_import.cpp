// Any bytes as a CSV for vmrtool import. Import ends with its clients written
// or with errors listed, never otherwise; with errors it leaves no file. A
// client file it writes exports to a CSV that imports to the same bytes again.
// Inputs of odd length are imported with --lenient, and those whose length
// is 2 or 3 more than a multiple of 4 with --day-first.
#include "FuzzCheck.h"
#include "vmrtool/VmrTool.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string fileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct Folder {
    std::string path;
    std::FILE* sink = std::fopen("/dev/null", "w");

    Folder() {
        char pattern[] = "/tmp/fuzz-csv-XXXXXX";
        const char* made = mkdtemp(pattern);
        FUZZ_EXPECT(made != nullptr && sink != nullptr, "no scratch folder or sink");
        path = made;
    }
    std::string operator/(const char* name) const { return path + "/" + name; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Folder folder;
    const std::string csv = folder / "in.csv";
    const std::string clients = folder / "clients.vmr";
    std::ofstream(csv, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    std::remove(clients.c_str());

    std::vector<std::string> import = {"import", csv, "--output", clients};
    if (size % 2 == 1) import.push_back("--lenient");
    if (size % 4 >= 2) import.push_back("--day-first");
    const int status = runTool(import, folder.sink, folder.sink);
    FUZZ_EXPECT(status == exitDone || status == exitFindings, "import ended with %d", status);
    const bool written = std::ifstream(clients).good();
    FUZZ_EXPECT(written == (status == exitDone), "status %d, a file written: %d", status, written);
    if (!written) return 0;

    const std::string again = folder / "again.csv";
    const std::string copy = folder / "copy.vmr";
    std::remove(copy.c_str());
    FUZZ_EXPECT(runTool({"export", clients, "--output", again, "--force"}, folder.sink,
                        folder.sink) == exitDone,
                "the imported file does not export");
    const int reimport = runTool({"import", again, "--output", copy}, folder.sink, folder.sink);
    FUZZ_EXPECT(reimport == exitDone, "its export imports with status %d", reimport);
    const std::string first = fileBytes(clients);
    const std::string second = fileBytes(copy);
    FUZZ_EXPECT(first == second, "%zu bytes imported, %zu after export and import again",
                first.size(), second.size());
    return 0;
}
