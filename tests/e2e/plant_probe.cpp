// Loads the DLL named on its command line by name, with the system's default
// search order, which looks in the program's own folder first. Beside the
// planted stand-in this shows that the plant itself works.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    const HMODULE module = LoadLibraryW(argv[1]);
    if (module != nullptr) FreeLibrary(module);
    return 0;
}
