// A DLL planted beside the program is never loaded by name: the program
// limits the DLL search to the system folder as it starts. The stand-in DLL
// leaves a marker file when anything loads it; a probe without that limit
// shows that the plant works. The look-up runs inside the program, on a thread
// of its own, after start-up: Wine answers the names of system DLLs with its
// own built-in copies wherever a plant lies, so only a name the system does
// not have shows where the program looks.
#include "win_process.h"

#include "records/ClientFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

namespace {

// A name no system has, so nothing but the planted file can answer to it.
const std::wstring plantedName = L"vellumor-plant.dll";
const std::wstring markerName = L"planted-dll-loaded";

std::wstring plantedBuild(const wchar_t* file) { return programFolder() + L"planted\\" + file; }

// What the marker says: the program that loaded the stand-in.
std::wstring loadedBy(const std::wstring& folder) {
    const Bytes bytes = fileBytes(folder + markerName);
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    std::copy(bytes.begin(), bytes.begin() + std::ptrdiff_t(text.size() * sizeof(wchar_t)),
              reinterpret_cast<std::uint8_t*>(text.data()));
    return text;
}

// Runs the probe from `folder`, loading `dll` by name, to its end.
DWORD runProbe(const std::wstring& folder, const std::wstring& dll) {
    return runToEnd(folder + L"plant_probe.exe", dll, folder);
}

TEST(Hardening, DllPlantedBesideTheProgramIsNotLoadedByName) {
    const TempFolder folder;
    const std::wstring exe = folder.installProgram();
    const std::wstring here = folder.folderPath();
    ASSERT_TRUE(
        CopyFileW(plantedBuild(L"planted_dll.dll").c_str(), (here + plantedName).c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(plantedBuild(L"plant_probe.exe").c_str(),
                          (here + L"plant_probe.exe").c_str(), FALSE));

    // Without the limit, a load by name takes the planted file.
    ASSERT_EQ(runProbe(here, plantedName), 0u);
    ASSERT_EQ(loadedBy(here), here + L"plant_probe.exe") << "the plant itself must work";
    DeleteFileW((here + markerName).c_str());

    const Program program(exe);
    const HWND main = waitForMainWindow(program);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(loadLibraryInside(program, plantedName), std::optional<DWORD>(0));
    EXPECT_FALSE(fileExists(here + markerName)) << "loaded by " << loadedBy(here);

    // The same file, named with its folder, is loaded there: the look-up by
    // name, not the way of asking, kept it out.
    EXPECT_EQ(loadLibraryInside(program, here + plantedName), std::optional<DWORD>(0));
    EXPECT_EQ(loadedBy(here), exe);
    click(main, 108);
    EXPECT_EQ(program.waitForExit(), 0u);
}

} // namespace

namespace {

// Sets an environment variable for the programs started while it lives.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const wchar_t* name, const wchar_t* value) : name_(name) {
        SetEnvironmentVariableW(name, value);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment() { SetEnvironmentVariableW(name_, nullptr); }

  private:
    const wchar_t* name_;
};

// The common controls and COM are not imported: a DLL imported by name and not
// among the system's known DLLs would be looked for beside the program before
// any of its code runs. With Wine told to prefer a DLL file over its built-in
// one, as Windows does, planted copies of both are still passed over.
TEST(Hardening, PlantedCommonControlsAndComAreNotLoaded) {
    const TempFolder folder;
    const std::wstring exe = folder.installProgram();
    const std::wstring here = folder.folderPath();
    for (const wchar_t* name : {L"comctl32.dll", L"ole32.dll"}) {
        ASSERT_TRUE(
            CopyFileW(plantedBuild(L"planted_dll.dll").c_str(), (here + name).c_str(), FALSE));
    }
    const ScopedEnvironment preferFiles(L"WINEDLLOVERRIDES", L"comctl32,ole32=n,b");
    const Program program(exe);
    const HWND main = waitForMainWindow(program);
    ASSERT_NE(main, nullptr) << "the program did not start";
    EXPECT_FALSE(fileExists(here + markerName)) << "loaded by " << loadedBy(here);
    click(main, 108);
    EXPECT_EQ(program.waitForExit(), 0u);
}

} // namespace
