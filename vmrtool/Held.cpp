// Whether a copy of Vellumor holds a client file, and who: the file is its to
// write while it runs, so import and repair do not write over it.
#include "vmrtool/VmrTool.h"

#include "records/LockLine.h"
#include "toolkit/text/Text.h"

#include <optional>

#ifdef _WIN32
#include "records/ClientLock.h"
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
bool lockHeld(const std::string& path, std::optional<LockHolder>& holder) {
    return lockIsHeld(wideFromUtf8(path), holder);
}
#else
// The lock a Windows copy holds reaches the file system as a POSIX lock
// (through a shared folder, and under Wine); a shared one would not conflict
// with it, so asking about one finds the holder's.
bool lockHeld(const std::string& path, std::optional<LockHolder>& holder) {
    const int file = ::open((path + lockFileSuffix).c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return false;
    struct flock probe {};
    probe.l_type = F_RDLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = static_cast<off_t>(lockedByte);
    probe.l_len = 1;
    const bool held = fcntl(file, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    char bytes[lockLineLimit];
    const ssize_t got = held ? pread(file, bytes, sizeof bytes, 0) : 0;
    if (got > 0) holder = decodeLockLine(std::string_view(bytes, static_cast<std::size_t>(got)));
    ::close(file);
    return held;
}
#endif

} // namespace

std::string heldProblem(const std::string& path) {
    std::optional<LockHolder> holder;
    if (!lockHeld(path, holder)) return {};
    if (holder) {
        holder->computer = win1252ToUtf8(holder->computer);
        holder->user = win1252ToUtf8(holder->user);
    }
    return path + " is in use by " + holderText(holder) + "; quit it there first.";
}
