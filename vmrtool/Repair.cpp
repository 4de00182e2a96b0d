// vmrtool repair: writes a new, sound client file from what a damaged one still
// holds. The count becomes the number of records present (a cut last record
// keeps its missing bytes zero) and the records go into the client list's
// order; every record keeps its bytes. The damaged file is never written.
#include "vmrtool/VmrTool.h"

#include "records/ClientCodec.h"

#include <algorithm>
#include <new>
#include <utility>

namespace {

// The records in the list's order; records whose names are equal keep their
// order. `moved` tells how many changed place.
std::vector<ClientRecord> inListOrder(std::vector<ClientRecord> records, std::size_t& moved,
                                      std::FILE* err) {
    std::vector<std::pair<std::string, std::size_t>> keys;
    keys.reserve(records.size());
    for (std::size_t k = 0; k < records.size(); ++k)
        keys.emplace_back(listKey(records[k]), k);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<ClientRecord> sorted;
    sorted.reserve(records.size());
    moved = 0;
    Progress progress(err, "put in order", records.size());
    for (const auto& key : keys) {
        if (key.second != sorted.size()) ++moved;
        sorted.push_back(records[key.second]);
        progress.done(sorted.size());
    }
    return sorted;
}

} // namespace

int repairCommand(const std::string& input, const std::string& output, bool force, std::FILE* out,
                  std::FILE* err) {
    const auto fail = [err](const std::string& message) {
        std::fputs(("vmrtool: " + message + "\n").c_str(), err);
        return exitFailed;
    };
    if (sameFile(output, input))
        return fail(output + " is the file being repaired; write to another file");
    if (!force && fileExists(output)) return fail(output + " exists; add --force to replace it");
    ClientFileReader reader;
    std::string error;
    std::vector<ClientRecord> records;
    if (!reader.open(input, error) || !reader.read(records, reader.facts().clients, error))
        return fail(error);
    std::size_t moved = 0;
    std::vector<std::uint8_t> bytes;
    try {
        const std::vector<ClientRecord> sorted = inListOrder(std::move(records), moved, err);
        bytes = encodeClients(sorted);
    } catch (const std::bad_alloc&) {
        return fail("not enough memory to repair " + input);
    }
    ReplacingFile file;
    if (!file.open(output, error)) return fail(error);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
        return fail("cannot write " + output);
    if (!file.commit(error)) return fail(error);
    const std::string line = "repaired: " + output + " holds " +
                             std::to_string(reader.facts().clients) + " clients (the count said " +
                             std::to_string(reader.facts().count) + "), " + std::to_string(moved) +
                             " moved into the list's order\n";
    std::fputs(line.c_str(), out);
    return exitDone;
}
