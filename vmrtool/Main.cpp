// vmrtool's entry: the command line in UTF-8, standard output in binary, so
// that an export's bytes reach a file or a pipe exactly as built.
#include "vmrtool/VmrTool.h"

#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>

namespace {

// Lets the console show the UTF-8 that the tool writes, for as long as it runs.
class Utf8Console {
  public:
    Utf8Console() : previous(GetConsoleOutputCP()) { SetConsoleOutputCP(CP_UTF8); }
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;
    ~Utf8Console() {
        if (previous != 0) SetConsoleOutputCP(previous);
    }

  private:
    UINT previous;
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    const Utf8Console console;
    std::vector<std::string> args;
    for (int k = 1; k < argc; ++k)
        args.push_back(utf8FromWide(argv[k]));
    return runTool(args, stdout, stderr);
}
#else
int main(int argc, char** argv) {
    return runTool(std::vector<std::string>(argv + 1, argv + argc), stdout, stderr);
}
#endif
