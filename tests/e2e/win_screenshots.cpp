// Pictures of the main window with a few clients and of the intake form's five
// pages, for people to compare with the layout. Taken only when
// VELLUMOR_SCREENSHOTS names a folder (scripts/screenshots does); the pictures
// are BMP files there, which the script turns into PNG.
#include "win_process.h"

#include "records/ClientCodec.h"
#include "records/ClientRecord.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

struct DcReleaser {
    void operator()(HDC dc) const { ReleaseDC(nullptr, dc); }
};
struct DcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
struct BitmapDeleter {
    void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
};

// What the screen shows inside the window's frame, as a 24-bit bottom-up BMP.
bool saveWindowPicture(HWND window, const std::wstring& file) {
    RECT frame{};
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const std::unique_ptr<HDC__, DcReleaser> screen(GetDC(nullptr));
    const std::unique_ptr<HDC__, DcDeleter> memory(CreateCompatibleDC(screen.get()));
    const std::unique_ptr<HBITMAP__, BitmapDeleter> bitmap(
        CreateCompatibleBitmap(screen.get(), width, height));
    if (!screen || !memory || !bitmap) return false;
    const HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, width, height, screen.get(), frame.left, frame.top, SRCCOPY);
    SelectObject(memory.get(), previous);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const std::size_t stride = (std::size_t(width) * 3 + 3) / 4 * 4;
    std::vector<char> pixels(stride * std::size_t(height));
    if (GetDIBits(memory.get(), bitmap.get(), 0, UINT(height), pixels.data(),
                  reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) != height) {
        return false;
    }
    BITMAPFILEHEADER fileHeader{};
    fileHeader.bfType = 0x4D42; // "BM"
    fileHeader.bfOffBits = sizeof fileHeader + sizeof info;
    fileHeader.bfSize = DWORD(fileHeader.bfOffBits + pixels.size());
    std::ofstream out(std::filesystem::path(file), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fileHeader), sizeof fileHeader);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(pixels.data(), std::streamsize(pixels.size()));
    return bool(out);
}

// Painting in the program runs after its window has appeared.
void settle() { Sleep(700); }

ClientRecord sampleClient(const char* name, const char* city, int age) {
    ClientRecord record{};
    recordReset(record);
    writeText(record, CLIENT_FIELD(name), name);
    writeDate(record, CLIENT_FIELD(intakeDate), 20240315);
    writeText(record, CLIENT_FIELD(city), city);
    writeText(record, CLIENT_FIELD(state), "CA");
    writeText(record, CLIENT_FIELD(occupation), "Teacher");
    writeU8(record, CLIENT_FIELD(male), 1);
    writeU8(record, CLIENT_FIELD(age), std::uint8_t(age));
    writeDate(record, CLIENT_FIELD(birthDate), 19800704);
    writeI16(record, CLIENT_FIELD(weight), 172);
    writeU8(record, CLIENT_FIELD(hadColonic), 1);
    writeU8(record, CLIENT_FIELD(colonicCount), 3);
    writeText(record, CLIENT_FIELD(cleanseReason), "Low energy");
    writeU8(record, CLIENT_FIELD(referral), 2);
    writeText(record, CLIENT_FIELD(prescriptions), "Lisinopril for blood pressure");
    writeText(record, CLIENT_FIELD(supplements), "Vitamin D\r\nMagnesium");
    writeItem(record, CLIENT_FIELD(removedOrgans), 1, true);
    return record;
}

TEST(Screenshots, MainWindowAndFormPages) {
    const char* const target = std::getenv("VELLUMOR_SCREENSHOTS");
    if (target == nullptr || *target == '\0') GTEST_SKIP() << "VELLUMOR_SCREENSHOTS is not set";
    const std::wstring folder = std::wstring(target, target + std::strlen(target)) + L"\\";

    const TempFolder temp;
    temp.writeClientFile(encodeClients({sampleClient("Alvarez, Maria", "Sacramento", 41),
                                        sampleClient("Brooks, Daniel", "Fresno", 35),
                                        sampleClient("Chen, Linda", "San Jose", 52),
                                        sampleClient("Okafor, James", "Oakland", 29)}));
    const Program program(temp.installProgram());
    const HWND main = waitForMainWindow(program);
    ASSERT_NE(main, nullptr);
    settle();
    EXPECT_TRUE(saveWindowPicture(main, folder + L"main-window.bmp"));

    click(main, 104); // Edit Client: the form filled from line 1
    const HWND form = waitForWindow(program, L"Edit_Forms");
    ASSERT_NE(form, nullptr);
    for (int page = 1; page <= 5; ++page) {
        if (page > 1) click(form, 152);
        waitForControl(form, 100 * page + 101);
        settle();
        EXPECT_TRUE(
            saveWindowPicture(form, folder + L"form-page-" + std::to_wstring(page) + L".bmp"))
            << "page " << page;
    }
}

} // namespace
