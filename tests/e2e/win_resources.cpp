// The shipped programs carry what Windows reads from a program file, read here
// as Windows reads it: the manifest (the user's own rights, the systems the
// program is written for and, for vellumor.exe, system DPI awareness), the
// version information Explorer shows, and vellumor.exe's icon. (The windows
// that show the icon: tests/mainwin.)
#include "win_process.h"

#include "records/ClientCodec.h"
#include "toolkit/ProgramIcon.h"
#include "toolkit/Wide.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace {

struct ModuleFreer {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using DataFile = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFreer>;

std::string resourceBytes(HMODULE module, const wchar_t* name, const wchar_t* type) {
    const HRSRC found = FindResourceW(module, name, type);
    const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    return bytes ? std::string(bytes, SizeofResource(module, found)) : std::string();
}

// A string of the version information's US English table; "(missing)" when absent.
std::wstring versionString(std::vector<BYTE>& information, const std::wstring& name) {
    void* text = nullptr;
    UINT length = 0;
    const std::wstring key = L"\\StringFileInfo\\040904B0\\" + name;
    if (!VerQueryValueW(information.data(), key.c_str(), &text, &length) || length == 0)
        return L"(missing)";
    return static_cast<const wchar_t*>(text);
}

TEST(Resources, ShippedProgramsCarryManifestVersionInformationAndIcon) {
    const struct {
        const wchar_t* file;
        const wchar_t* description;
        bool hasWindows; // vellumor.exe: an icon and DPI awareness
    } programs[] = {
        {L"vellumor.exe", L"Vellumor client intake records", true},
        {L"vmrtool.exe", L"Vellumor client file tool", false},
    };
    const char* const inEveryManifest[] = {
        R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"/>)",
        "{e2011457-1546-43c5-a5fe-008deee3d3f0}", // Vista
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", // 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", // 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", // 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", // 10 and 11
    };
    const std::string dpiAware =
        R"(<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>)";
    for (const auto& program : programs) {
        const std::wstring path = shippedProgram(program.file);
        SCOPED_TRACE(narrow(path));
        const DataFile module(LoadLibraryExW(
            path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        ASSERT_TRUE(module) << GetLastError();
        const std::string manifest =
            resourceBytes(module.get(), CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
        for (const char* part : inEveryManifest)
            EXPECT_NE(manifest.find(part), std::string::npos) << part << " missing in\n"
                                                              << manifest;
        EXPECT_EQ(manifest.find(dpiAware) != std::string::npos, program.hasWindows) << manifest;
        EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos)
            << "the classic controls keep the program's colours";

        DWORD ignored = 0;
        std::vector<BYTE> information(GetFileVersionInfoSizeW(path.c_str(), &ignored));
        ASSERT_FALSE(information.empty()) << "no version information: " << GetLastError();
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(information.size()),
                                        information.data()));
        const struct {
            const wchar_t* name;
            std::wstring expected;
        } strings[] = {
            {L"ProductName", L"Vellumor"},        {L"ProductVersion", widen(versionText)},
            {L"FileVersion", widen(versionText)}, {L"FileDescription", program.description},
            {L"OriginalFilename", program.file},  {L"CompanyName", L"The Vellumor developers"},
        };
        for (const auto& string : strings)
            EXPECT_EQ(versionString(information, string.name), string.expected)
                << narrow(string.name);
        EXPECT_EQ(versionString(information, L"LegalCopyright").rfind(L"Copyright (C) ", 0), 0u);
        void* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(information.data(), L"\\", &fixed, &length));
        EXPECT_EQ(static_cast<const VS_FIXEDFILEINFO*>(fixed)->dwFileVersionMS, 0x00010001u)
            << "1.01 is 1.1.0.0";

        EXPECT_EQ(ExtractIconExW(path.c_str(), -1, nullptr, nullptr, 0),
                  program.hasWindows ? 1u : 0u);
        if (!program.hasWindows) continue;
        // The icon's directory: a header of three 16-bit numbers (the last the
        // count), then 14 bytes a picture, beginning with its width (0 for 256).
        const std::string directory =
            resourceBytes(module.get(), MAKEINTRESOURCEW(PROGRAM_ICON), RT_GROUP_ICON);
        ASSERT_GE(directory.size(), 6u);
        const std::size_t count = std::uint8_t(directory[4]) | std::uint8_t(directory[5]) << 8;
        ASSERT_EQ(directory.size(), 6 + 14 * count);
        std::vector<int> widths;
        for (std::size_t k = 0; k < count; ++k) {
            const int width = std::uint8_t(directory[6 + 14 * k]);
            widths.push_back(width == 0 ? 256 : width);
        }
        EXPECT_EQ(widths, (std::vector<int>{16, 24, 32, 48, 256}));
    }
}

} // namespace
