// Pictures of the main window with a few clients and of the intake form's five
// pages, for people to compare with the layout: scripts/screenshots runs this
// with the folder for the pictures, as BMP files that it turns into PNG. Exits
// with 1 when a window did not appear or a picture could not be taken.
#include "WindowsTest.h"
#include "win_process.h"

#include "records/ClientCodec.h"
#include "records/ClientRecord.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
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

// What the screen shows inside the window's frame, as a 24-bit bottom-up
// bitmap; no pixels when it could not be read.
struct Picture {
    BITMAPINFOHEADER info{};
    std::vector<char> pixels;
};

Picture windowPicture(HWND window) {
    RECT frame{};
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const std::unique_ptr<HDC__, DcReleaser> screen(GetDC(nullptr));
    const std::unique_ptr<HDC__, DcDeleter> memory(CreateCompatibleDC(screen.get()));
    const std::unique_ptr<HBITMAP__, BitmapDeleter> bitmap(
        CreateCompatibleBitmap(screen.get(), width, height));
    if (!screen || !memory || !bitmap) return {};
    const HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, width, height, screen.get(), frame.left, frame.top, SRCCOPY);
    SelectObject(memory.get(), previous);

    Picture picture;
    picture.info.biSize = sizeof picture.info;
    picture.info.biWidth = width;
    picture.info.biHeight = height;
    picture.info.biPlanes = 1;
    picture.info.biBitCount = 24;
    picture.info.biCompression = BI_RGB;
    const std::size_t stride = (std::size_t(width) * 3 + 3) / 4 * 4;
    picture.pixels.resize(stride * std::size_t(height));
    if (GetDIBits(memory.get(), bitmap.get(), 0, UINT(height), picture.pixels.data(),
                  reinterpret_cast<BITMAPINFO*>(&picture.info), DIB_RGB_COLORS) != height)
        picture.pixels.clear();
    return picture;
}

// The window's picture once the program has drawn it: the program is back in
// its message loop (its page is built), draws what it still owes now, and two
// pictures taken a moment apart are the same.
bool saveWindowPicture(HWND window, const std::wstring& file) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 30000, &ignored);
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    Picture picture;
    const bool settled = waitUntil(
        [&] {
            Picture again = windowPicture(window);
            const bool same = !again.pixels.empty() && again.pixels == picture.pixels;
            picture = std::move(again);
            return same;
        },
        5000);
    if (!settled) return false;

    BITMAPFILEHEADER fileHeader{};
    fileHeader.bfType = 0x4D42; // "BM"
    fileHeader.bfOffBits = sizeof fileHeader + sizeof picture.info;
    fileHeader.bfSize = DWORD(fileHeader.bfOffBits + picture.pixels.size());
    std::ofstream out(std::filesystem::path(file), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fileHeader), sizeof fileHeader);
    out.write(reinterpret_cast<const char*>(&picture.info), sizeof picture.info);
    out.write(picture.pixels.data(), std::streamsize(picture.pixels.size()));
    return bool(out);
}

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

// Each step prints what failed, so that the script says which picture is missing.
bool takePictures(const std::wstring& folder) {
    const TempFolder temp;
    temp.writeClientFile(encodeClients({sampleClient("Alvarez, Maria", "Sacramento", 41),
                                        sampleClient("Brooks, Daniel", "Fresno", 35),
                                        sampleClient("Chen, Linda", "San Jose", 52),
                                        sampleClient("Okafor, James", "Oakland", 29)}));
    const Program program(temp.installProgram());
    const auto failed = [](const char* what) {
        std::fprintf(stderr, "screenshots: %s\n", what);
        return false;
    };
    const HWND main = waitForMainWindow(program);
    if (main == nullptr) return failed("the main window did not appear");
    if (!saveWindowPicture(main, folder + L"main-window.bmp"))
        return failed("no picture of the main window");

    click(main, 104); // Edit Client: the form filled from line 1
    const HWND form = waitForWindow(program, L"Edit_Forms");
    if (form == nullptr) return failed("the form did not appear");
    for (int page = 1; page <= 5; ++page) {
        if (page > 1) click(form, 152);
        if (waitForControl(form, 100 * page + 101) == nullptr)
            return failed("a page of the form did not appear");
        if (!saveWindowPicture(form, folder + L"form-page-" + std::to_wstring(page) + L".bmp"))
            return failed("no picture of a page of the form");
    }
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: screenshots FOLDER\n");
        return 2;
    }
    return takePictures(std::wstring(argv[1]) + L"\\") ? 0 : 1;
}
