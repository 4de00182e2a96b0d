// vmrtool's entry: the command line in UTF-8, standard output in binary, so
// that an export's bytes reach a file or a pipe exactly as built.
#include "vmrtool/VmrTool.h"

#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<std::string> args;
    for (int k = 1; k < argc; ++k)
        args.push_back(utf8FromWide(argv[k]));
    // The console shows the UTF-8 that the tool writes while it runs.
    const UINT previous = GetConsoleOutputCP();
    SetConsoleOutputCP(CP_UTF8);
    const int status = runTool(args, stdout, stderr);
    if (previous != 0) SetConsoleOutputCP(previous);
    return status;
}
#else
int main(int argc, char** argv) {
    return runTool(std::vector<std::string>(argv + 1, argv + argc), stdout, stderr);
}
#endif
