// Any bytes as the text of a client file's lock file. Besides having no
// undefined behaviour: a line the reader accepts is exactly what the holder
// would write for the holder it names, up to and with its CR LF, so nothing
// after the line is read and nothing in it is lost; the start a box shows from
// it is MM-DD-YYYY HH:MM.
#include "FuzzCheck.h"
#include "records/LockLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = bytesOf(data, size);
    const std::optional<LockHolder> holder = decodeLockLine(bytes);
    if (!holder) return 0;
    const std::string line = encodeLockLine(*holder);
    FUZZ_EXPECT(bytes.substr(0, line.size()) == line && bytes.find("\r\n") + 2 == line.size(),
                "%s reads as the holder of %s", shown(bytes).c_str(), shown(line).c_str());
    const std::string start = startText(holder->started);
    FUZZ_EXPECT(start.size() == 16 && start[2] == '-' && start[5] == '-' && start[10] == ' ' &&
                    start[13] == ':',
                "%s starts at %s", shown(line).c_str(), shown(start).c_str());
    return 0;
}
