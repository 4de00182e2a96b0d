// Functions of the system's DLLs looked up at run time, for those that older
// systems lack: the program still starts where they are missing.
#pragma once

#include <windows.h>

// `name` in `module`; nullptr when the module is not loaded or lacks it.
template <typename Function> Function libraryFunction(HMODULE module, const char* name) {
    const FARPROC address = module != nullptr ? GetProcAddress(module, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

// `name` in the loaded system DLL `module` ("kernel32.dll", "user32.dll").
template <typename Function> Function systemFunction(const wchar_t* module, const char* name) {
    return libraryFunction<Function>(GetModuleHandleW(module), name);
}
