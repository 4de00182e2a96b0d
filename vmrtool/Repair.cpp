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

// Each record's key and place in the file, in the list's order; records whose
// names are equal keep their order. Only the keys are sorted: the records stay
// where they are and are written from there.
using ListOrder = std::vector<std::pair<std::string, std::size_t>>;

ListOrder listOrder(const std::vector<ClientRecord>& records) {
    ListOrder order;
    order.reserve(records.size());
    for (std::size_t k = 0; k < records.size(); ++k)
        order.emplace_back(listKey(records[k]), k);
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return order;
}

} // namespace

bool writeInListOrder(std::FILE* file, const std::string& name,
                      const std::vector<ClientRecord>& records, const char* action,
                      std::size_t& moved, std::FILE* err, std::string& error) {
    ListOrder order;
    try {
        order = listOrder(records);
    } catch (const std::bad_alloc&) {
        error = "not enough memory to put " + std::to_string(records.size()) +
                " clients in the list's order";
        return false;
    }
    error = "cannot write " + name;
    const std::vector<std::uint8_t> header = encodeHeader(records.size());
    if (std::fwrite(header.data(), 1, header.size(), file) != header.size()) return false;
    moved = 0;
    Progress progress(err, action, order.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        const std::size_t index = order[k].second;
        if (index != k) ++moved;
        if (std::fwrite(&records[index], 1, clientRecordSize, file) != clientRecordSize)
            return false;
        progress.done(k + 1);
    }
    error.clear();
    return true;
}

int repairCommand(const std::string& input, const std::string& output, bool force, std::FILE* out,
                  std::FILE* err) {
    if (const std::string problem = outputProblem(input, output, force, "repaired");
        !problem.empty())
        return fail(err, problem);
    ClientFileReader reader;
    std::string error;
    std::vector<ClientRecord> records;
    if (!reader.open(input, error) || !reader.read(records, reader.facts().clients, error))
        return fail(err, error);
    ReplacingFile file;
    if (!file.open(output, error)) return fail(err, error);
    std::size_t moved = 0;
    if (!writeInListOrder(file.get(), output, records, "put in order", moved, err, error))
        return fail(err, error);
    if (!file.commit(error)) return fail(err, error);
    const std::string line = "repaired: " + output + " holds " +
                             std::to_string(reader.facts().clients) + " clients (the count said " +
                             std::to_string(reader.facts().count) + "), " + std::to_string(moved) +
                             " moved into the list's order\n";
    std::fputs(line.c_str(), out);
    return exitDone;
}
