// Times the image pipeline on a large photo and prints the figures; run it on the program's display.
#include <windows.h>

#include <FreeImage.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/image_tools.h"
#include "framework/win_app.h"
#include "library/preview_dlg.h"

namespace {

const int kRuns = 7, kWidth = 6000, kHeight = 4000;

// The preview window needs an application object for its template.
struct CBenchApp : CWinApp { bool InitInstance() override { return true; } };

std::string Size(int w, int h) { return std::to_string(w) + "x" + std::to_string(h); }

// Prints "label: median X ms (min Y ms, N runs)"; false when a run failed.
template <typename Run>
bool Measure(const std::string& label, Run run)
{
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!run()) {
            std::printf("%s: FAILED\n", label.c_str());
            return false;
        }
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("%s: median %.1f ms (min %.1f ms, %d runs)\n", label.c_str(), times[kRuns / 2], times[0], kRuns);
    return std::fflush(stdout) == 0;
}

// A photo-like picture: gradients with grain, so the JPEG is about as large as a camera's.
bool MakePhoto(const std::string& path)
{
    FIBITMAP* image = FreeImage_Allocate(kWidth, kHeight, 24);
    unsigned noise = 12345;
    for (int y = 0; image && y < kHeight; ++y) {
        BYTE* p = FreeImage_GetScanLine(image, y);
        for (int x = 0; x < kWidth; ++x, p += 3) {
            const int grain = static_cast<int>((noise = noise * 1103515245u + 12345u) >> 27);  // 0 to 31
            p[FI_RGBA_RED] = static_cast<BYTE>(x * 200 / kWidth + grain);
            p[FI_RGBA_GREEN] = static_cast<BYTE>(y * 200 / kHeight + grain);
            p[FI_RGBA_BLUE] = static_cast<BYTE>((x / 40 + y / 40) % 2 * 120 + 60 + grain);
        }
    }
    const bool ok = image && FreeImage_Save(FIF_JPEG, image, path.c_str(), JPEG_QUALITYGOOD);
    FreeImage_Unload(image);
    return ok;
}

}  // namespace

int main()
{
    static CBenchApp app;
    CImageTools::InitialiseLibrary();
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string name = std::string(temp) + "kavro-benchmark-" + std::to_string(::GetCurrentProcessId());
    const std::string photo = name + ".jpg", bitmap = name + ".bmp", size = Size(kWidth, kHeight);
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    if (!MakePhoto(photo)) {
        std::printf("cannot make the test photo %s\n", photo.c_str());
        return 1;
    }
    std::printf("test photo: %s JPEG; screen %s\n", size.c_str(), Size(sw, sh).c_str());

    CImageTools tools;
    bool ok = Measure("decode " + size + " JPEG", [&] {
        FIBITMAP* image = tools.LoadImageFile(photo);
        CImageTools::FI_Unload(image);
        return image != nullptr;
    });
    FIBITMAP* decoded = tools.LoadImageFile(photo);
    ok = Measure("StretchToDib " + size + " to " + Size(sw, sh), [&] {
        HGLOBAL block = tools.StretchToDib(decoded, sw, sh);
        ::GlobalFree(block);
        return block != nullptr;
    }) && ok;
    CImageTools::FI_Unload(decoded);
    const CImageTools::FitDecision fit = CImageTools::DecideFit("P", kWidth, kHeight, sw, sh);
    ok = Measure("decode+fit+write " + size + " JPEG to " + Size(fit.width, fit.height) + " BMP", [&] {
        FIBITMAP* image = tools.LoadImageFile(photo);
        HGLOBAL block = image ? tools.StretchToDib(image, fit.width, fit.height) : nullptr;
        const bool written = block && tools.WriteDib(bitmap, block);
        ::GlobalFree(block);
        CImageTools::FI_Unload(image);
        return written;
    }) && ok;

    // Decoding and shrinking into the preview's real picture area, as every selected row does.
    CPreviewDlg* preview = new CPreviewDlg;
    RECT area = {};
    const bool made = preview->Create(nullptr) && ::GetClientRect(preview->Item(IDC_PREVIEW_PICTURE), &area);
    ok = Measure("LoadPreviewImage " + size + " JPEG into the " + Size(area.right, area.bottom) + " picture area",
                 [&] { return made && preview->LoadPreviewImage(photo); }) && ok;
    ::DestroyWindow(preview->m_hWnd);  // the window deletes its object
    ::DeleteFileA(photo.c_str());
    ::DeleteFileA(bitmap.c_str());
    CImageTools::ReleaseLibrary();
    return ok ? 0 : 1;
}
