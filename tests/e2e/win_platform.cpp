// The system the tests see. Their second run, in a 64-bit Wine prefix
// (run_wow64.sh sets VELLUMOR_WOW64), runs the 32-bit programs through WoW64 on
// Windows 10, as 64-bit Windows does; a run that silently fell back to the
// 32-bit prefix would only repeat the first. The test program is 32-bit and in
// the same prefix as the programs it starts, so it sees what they see.
#include "toolkit/SystemFunction.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

// The system's own version: GetVersion tells a program without a manifest 6.2
// on Windows 10, under Wine as under Windows.
DWORD systemMajorVersion() {
    using RtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto get = systemFunction<RtlGetVersion>(L"ntdll.dll", "RtlGetVersion");
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    return get != nullptr && get(&info) == 0 ? info.dwMajorVersion : 0;
}

TEST(Platform, SecondRunIsThroughWow64OnWindows10) {
    const bool second = GetEnvironmentVariableW(L"VELLUMOR_WOW64", nullptr, 0) != 0;
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
    EXPECT_EQ(wow64 != FALSE, second);
    if (second) {
        EXPECT_EQ(systemMajorVersion(), 10u);
    }
}

} // namespace
