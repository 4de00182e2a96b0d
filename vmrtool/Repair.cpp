// vmrtool repair: writes a new, sound client file from what a damaged one still
// holds. The count becomes the number of records present (a cut last record
// keeps its missing bytes zero) and the records go into the client list's
// order; every record keeps its bytes. The damaged file is never written.
#include "vmrtool/VmrTool.h"

#include "records/ClientCodec.h"

#include <algorithm>
#include <new>
#include <numeric>

namespace {

// The places of the records in the list's order: each record's key is made
// once, and only the places are sorted; records whose names are equal keep
// their order.
std::vector<std::size_t> listOrder(const std::vector<ClientRecord>& records) {
    std::vector<std::string> keys;
    keys.reserve(records.size());
    for (const ClientRecord& record : records)
        keys.push_back(listKey(record));
    std::vector<std::size_t> order(records.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&keys](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    return order;
}

} // namespace

bool writeInListOrder(std::FILE* file, const std::string& name,
                      const std::vector<ClientRecord>& records, const char* action,
                      std::size_t& moved, std::FILE* err, std::string& error) {
    std::vector<std::size_t> order;
    std::vector<ClientRecord> batch; // the records go out a batch at a time
    try {
        order = listOrder(records);
        batch.reserve(std::min(clientBatch, order.size()));
    } catch (const std::bad_alloc&) {
        error = "not enough memory to put " + std::to_string(records.size()) +
                " clients in the list's order";
        return false;
    }
    error = "cannot write " + name;
    const std::vector<std::uint8_t> header = encodeHeader(records.size());
    if (std::fwrite(header.data(), 1, header.size(), file) != header.size()) return false;
    moved = 0;
    // Gathered in order, a batch goes out in one write, which costs far less
    // than a write for each record.
    for (std::size_t k = 0; k < order.size(); k += batch.size()) {
        batch.clear();
        for (std::size_t n = k; n < order.size() && batch.size() < clientBatch; ++n) {
            if (order[n] != n) ++moved;
            batch.push_back(records[order[n]]);
        }
        if (std::fwrite(batch.data(), clientRecordSize, batch.size(), file) != batch.size())
            return false;
        progress(err, action, k, k + batch.size(), order.size());
    }
    error.clear();
    return true;
}

int repairCommand(const Options& options, std::FILE* out, std::FILE* err) {
    const std::string& output = options.output;
    if (const std::string problem = outputProblem(options, "repaired"); !problem.empty())
        return fail(err, problem);
    ClientFileReader reader;
    std::string error;
    std::vector<ClientRecord> records;
    if (!reader.open(options.input, error) || !reader.read(records, reader.facts().clients, error))
        return fail(err, error);
    ReplacingFile file;
    std::size_t moved = 0;
    if (!file.open(output, error) ||
        !writeInListOrder(file.get(), output, records, "put in order", moved, err, error) ||
        !file.commit(error))
        return fail(err, error);
    const std::string line = "repaired: " + output + " holds " +
                             std::to_string(reader.facts().clients) + " clients (the count said " +
                             std::to_string(reader.facts().count) + "), " + std::to_string(moved) +
                             " moved into the list's order\n";
    std::fputs(line.c_str(), out);
    return exitDone;
}
