// Times the image pipeline on a large photo and prints the figures.
// Run it on the display the program will use (GDI does the scaling).
#include <windows.h>

#include <FreeImage.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/image_tools.h"
#include "framework/win_app.h"
#include "library/preview_dlg.h"

namespace {

const int kRuns = 7;

// One timed operation; it returns false when the operation failed.
struct Figure {
    std::string label;
    std::function<bool()> run;
};
using FigureList = std::vector<Figure>;

// What every set of figures may use: a scratch folder and the test photo.
struct BenchContext {
    std::string folder;
    std::string photo;
    int photoWidth;
    int photoHeight;
};

double NowMs()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Prints "label: median X ms (min Y ms, N runs)"; false when a run failed.
bool Measure(const Figure& figure)
{
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const double start = NowMs();
        if (!figure.run()) {
            std::printf("%s: FAILED\n", figure.label.c_str());
            return false;
        }
        times.push_back(NowMs() - start);
    }
    std::sort(times.begin(), times.end());
    std::printf("%s: median %.1f ms (min %.1f ms, %d runs)\n", figure.label.c_str(), times[times.size() / 2],
                times.front(), kRuns);
    std::fflush(stdout);
    return true;
}

// A photo-like test picture: smooth gradients with some fine detail, so the
// JPEG is about as large as a camera's.
bool MakePhoto(const std::string& path, int w, int h)
{
    FIBITMAP* image = FreeImage_Allocate(w, h, 24);
    if (!image)
        return false;
    unsigned noise = 12345;
    for (int y = 0; y < h; ++y) {
        BYTE* row = FreeImage_GetScanLine(image, y);
        for (int x = 0; x < w; ++x) {
            noise = noise * 1103515245u + 12345u;
            const int grain = static_cast<int>((noise >> 16) & 31) - 16;
            auto clamp = [](int v) { return static_cast<BYTE>(v < 0 ? 0 : v > 255 ? 255 : v); };
            row[x * 3 + FI_RGBA_RED] = clamp(x * 255 / w + grain);
            row[x * 3 + FI_RGBA_GREEN] = clamp(y * 255 / h + grain);
            row[x * 3 + FI_RGBA_BLUE] = clamp(((x / 40 + y / 40) % 2) * 120 + 60 + grain);
        }
    }
    const BOOL ok = FreeImage_Save(FIF_JPEG, image, path.c_str(), JPEG_QUALITYGOOD);
    FreeImage_Unload(image);
    return ok != FALSE;
}

// Decoding, scaling and writing the wallpaper bitmap.
void EngineFigures(const BenchContext& context, FigureList& figures)
{
    const std::string size = std::to_string(context.photoWidth) + "x" + std::to_string(context.photoHeight);
    const std::string photo = context.photo;
    const std::string bitmap = context.folder + "\\wallpaper.bmp";

    figures.push_back({"decode " + size + " JPEG", [photo] {
                           CImageTools tools;
                           FIBITMAP* image = tools.LoadImageFile(photo);
                           CImageTools::FI_Unload(image);
                           return image != nullptr;
                       }});

    // Decoded once, shared by the runs and released with the last copy.
    std::shared_ptr<FIBITMAP> decoded(CImageTools().LoadImageFile(photo), &CImageTools::FI_Unload);
    figures.push_back({"StretchToDib " + size + " to 1280x1024", [decoded] {
                           CImageTools tools;
                           HGLOBAL block = tools.StretchToDib(decoded.get(), 1280, 1024);
                           if (block)
                               ::GlobalFree(block);
                           return block != nullptr;
                       }});

    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    const CImageTools::FitDecision fit =
        CImageTools::DecideFit("P", context.photoWidth, context.photoHeight, screenWidth, screenHeight);
    figures.push_back({"decode+fit+write " + size + " JPEG to " + std::to_string(fit.width) + "x" +
                           std::to_string(fit.height) + " BMP",
                       [photo, bitmap, fit] {
                           CImageTools tools;
                           FIBITMAP* image = tools.LoadImageFile(photo);
                           if (!image)
                               return false;
                           bool ok;
                           if (fit.scaled) {
                               HGLOBAL block = tools.StretchToDib(image, fit.width, fit.height);
                               ok = block && tools.WriteDib(bitmap, block);
                               if (block)
                                   ::GlobalFree(block);
                           } else {
                               ok = tools.SaveImageAsBmp(image, bitmap);
                           }
                           CImageTools::FI_Unload(image);
                           return ok;
                       }});
}

// ---------------------------------------------------------------- preview

// The preview window needs an application object for its template.
class CBenchApp : public CWinApp {
public:
    bool InitInstance() override { return true; }
};

// Decoding the photo and shrinking it into the preview's real picture area,
// as every selection of a row does.
void PreviewFigures(const BenchContext& context, FigureList& figures)
{
    static CBenchApp app;
    std::shared_ptr<CPreviewDlg> preview(new CPreviewDlg, [](CPreviewDlg* dlg) {
        if (dlg->m_hWnd)
            ::DestroyWindow(dlg->m_hWnd);  // the window deletes its object
        else
            delete dlg;
    });
    if (!preview->Create(nullptr)) {
        figures.push_back({"LoadPreviewImage (no preview window)", [] { return false; }});
        return;
    }
    RECT area = {};
    ::GetClientRect(preview->Item(IDC_PREVIEW_PICTURE), &area);
    const RECT fit = CImageTools::FitRect(context.photoWidth, context.photoHeight, area.right, area.bottom);
    const std::string photo = context.photo;
    figures.push_back({"LoadPreviewImage " + std::to_string(context.photoWidth) + "x" +
                           std::to_string(context.photoHeight) + " JPEG into " + std::to_string(area.right) +
                           "x" + std::to_string(area.bottom) + " picture area (" + std::to_string(fit.right) +
                           "x" + std::to_string(fit.bottom) + ")",
                       [preview, photo] { return preview->LoadPreviewImage(photo); }});
}

// Every set of figures the benchmark prints, in order. Further parts of the
// program (the preview, ...) add their function here.
const std::function<void(const BenchContext&, FigureList&)> kFigureSets[] = {
    EngineFigures,
    PreviewFigures,
};

}  // namespace

int main()
{
    CImageTools::InitialiseLibrary();

    char temp[MAX_PATH] = {};
    if (!::GetTempPathA(MAX_PATH, temp)) {
        std::printf("no temporary folder\n");
        return 1;
    }
    BenchContext context;
    context.folder = std::string(temp) + "kavro-benchmark-" + std::to_string(::GetCurrentProcessId());
    context.photo = context.folder + "\\photo.jpg";
    context.photoWidth = 6000;
    context.photoHeight = 4000;
    if (!::CreateDirectoryA(context.folder.c_str(), nullptr) ||
        !MakePhoto(context.photo, context.photoWidth, context.photoHeight)) {
        std::printf("cannot make the test photo in %s\n", context.folder.c_str());
        return 1;
    }
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ::GetFileAttributesExA(context.photo.c_str(), GetFileExInfoStandard, &data);
    std::printf("test photo: %dx%d JPEG, %.1f MB; screen %dx%d, %d bpp\n", context.photoWidth,
                context.photoHeight, data.nFileSizeLow / 1048576.0, ::GetSystemMetrics(SM_CXSCREEN),
                ::GetSystemMetrics(SM_CYSCREEN), [] {
                    HDC screen = ::GetDC(nullptr);
                    const int bpp = screen ? ::GetDeviceCaps(screen, BITSPIXEL) : 0;
                    ::ReleaseDC(nullptr, screen);
                    return bpp;
                }());

    bool ok = true;
    {
        FigureList figures;
        for (const auto& addFigures : kFigureSets)
            addFigures(context, figures);
        for (const Figure& figure : figures)
            ok = Measure(figure) && ok;
    }

    // Remove whatever the figures left in the scratch folder.
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((context.folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::DeleteFileA((context.folder + "\\" + found.cFileName).c_str());
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryA(context.folder.c_str());

    CImageTools::ReleaseLibrary();
    return ok ? 0 : 1;
}
