// Times what a user waits for, through the real main window, and prints the
// figures with medians; scripts/bench.sh runs it beside vipsthumbnail.
//
//   kavro_benchmark --make-photo PATH            writes the 24 MP test photo
//                                                (JPEG, PNG or WebP by extension)
//   kavro_benchmark --photo PATH [--anchor-ms MS] [--vips PPM] [--wallpaper-only]
//                   [--no-list]
//
// The screen size is the Wine desktop's; bench.sh runs it on two.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <FreeImage.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/wallpaper_dlg.h"
#include "engine/change_undo.h"
#include "engine/image_ptr.h"
#include "engine/image_tools.h"
#include "engine/monitor_layout.h"
#include "engine/wallpaper_engine.h"
#include "library/file_tools.h"
#include "settings/settings.h"
#include "framework/global_block.h"
#include "library/preview_dlg.h"
#include "resource.h"
#include "tests/test_support.h"

using namespace testing_support;

namespace {

const int kWidth = 6000, kHeight = 4000, kRuns = 7;
double g_anchorMs = 0;  // vipsthumbnail's median, from the script
// vipsthumbnail making the same size as each mode's wallpaper; 0: g_anchorMs.
double g_modeAnchorMs[3] = {0, 0, 0};

std::string Size(int w, int h) { return std::to_string(w) + "x" + std::to_string(h); }

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Runs `run` up to kRuns times (fewer once `budgetMs` is spent, at least once)
// and prints the median; the ratio to the anchor when `ratio` is set. A run
// returning false is a failed figure. Returns the median, or -1.
double Measure(const std::string& label, const std::function<bool()>& run, bool ratio = false,
               double budgetMs = 20000)
{
    std::vector<double> times;
    double spent = 0;
    while (static_cast<int>(times.size()) < kRuns && (times.empty() || spent < budgetMs)) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = run();
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (!ok) {
            std::printf("%-58s FAILED\n", label.c_str());
            std::fflush(stdout);
            return -1;
        }
        times.push_back(ms);
        spent += ms;
    }
    const double median = Median(times);
    std::printf("%-58s median %9.1f ms (min %.1f, %d runs)", label.c_str(), median,
                *std::min_element(times.begin(), times.end()), static_cast<int>(times.size()));
    if (ratio && g_anchorMs > 0)
        std::printf("  = %.2f x vipsthumbnail", median / g_anchorMs);
    std::printf("\n");
    std::fflush(stdout);
    return median;
}

// ---------------------------------------------------------------- the photo

// Smooth shapes, a little texture and sensor grain: compresses like a camera
// photo (about 7 MB as a JPEG at quality 90 for 24 MP, about 40 MB as a PNG,
// about 5 MB as a lossy WebP at quality 85).
bool MakePhoto(const std::string& path)
{
    const ImagePtr image(FreeImage_Allocate(kWidth, kHeight, 24));
    unsigned noise = 12345;
    for (int y = 0; image && y < kHeight; ++y) {
        BYTE* p = FreeImage_GetScanLine(image.get(), kHeight - 1 - y);
        for (int x = 0; x < kWidth; ++x, p += 3) {
            const double u = x / 1000.0, v = y / 1000.0;
            const double sky = 120 + 60 * std::sin(u * 0.9 + v * 0.4) + 30 * std::cos(v * 2.1 - u * 0.3);
            const double ground = 90 + 50 * std::sin(u * 3.1) * std::cos(v * 2.7) + 25 * std::sin((u + v) * 9.0);
            const double texture = 12 * std::sin(x * 0.05 + std::sin(y * 0.02) * 4) * std::cos(y * 0.043);
            noise = noise * 1103515245u + 12345u;
            const int grain = static_cast<int>((noise >> 16) % 23) - 11;
            const int r = static_cast<int>(sky * 0.8 + ground * 0.3 + texture) + grain;
            const int g = static_cast<int>(sky * 0.6 + ground * 0.5 + texture) + grain;
            const int b = static_cast<int>(sky * 0.9 + ground * 0.1 - texture) + grain / 2;
            p[FI_RGBA_RED] = static_cast<BYTE>(std::clamp(r, 0, 255));
            p[FI_RGBA_GREEN] = static_cast<BYTE>(std::clamp(g, 0, 255));
            p[FI_RGBA_BLUE] = static_cast<BYTE>(std::clamp(b, 0, 255));
        }
    }
    const FREE_IMAGE_FORMAT format = FreeImage_GetFIFFromFilename(path.c_str());
    const int flags = format == FIF_JPEG ? 90 : format == FIF_WEBP ? 85 : 0;
    return image && FreeImage_Save(format, image.get(), path.c_str(), flags);
}

// ---------------------------------------------------------------- quality

// The exact area average of a 24-bit image to w x h (each output pixel the
// mean of the source area it covers, partial pixels weighted), rows top-down,
// RGB doubles.
std::vector<double> AreaAverage(FIBITMAP* image, int w, int h)
{
    const int sw = FreeImage_GetWidth(image), sh = FreeImage_GetHeight(image);
    auto weights = [](int from, int to, int i, int& first, std::vector<double>& wts) {
        const double scale = static_cast<double>(from) / to, a = i * scale, b = a + scale;
        first = static_cast<int>(a);
        wts.clear();
        for (int s = first; s < from && s < b; ++s)
            wts.push_back((std::min<double>(s + 1, b) - std::max<double>(s, a)) / scale);
    };
    std::vector<double> rows(static_cast<size_t>(sw) * h * 3, 0.0), out(static_cast<size_t>(w) * h * 3, 0.0);
    std::vector<double> wts;
    int first = 0;
    for (int y = 0; y < h; ++y) {
        weights(sh, h, y, first, wts);
        for (size_t k = 0; k < wts.size(); ++k) {
            const BYTE* p = FreeImage_GetScanLine(image, sh - 1 - (first + static_cast<int>(k)));
            for (int x = 0; x < sw; ++x)
                for (int c = 0; c < 3; ++c)
                    rows[(static_cast<size_t>(y) * sw + x) * 3 + c] += wts[k] * p[x * 3 + 2 - c];
        }
    }
    for (int x = 0; x < w; ++x) {
        weights(sw, w, x, first, wts);
        for (int y = 0; y < h; ++y)
            for (size_t k = 0; k < wts.size(); ++k)
                for (int c = 0; c < 3; ++c)
                    out[(static_cast<size_t>(y) * w + x) * 3 + c] +=
                        wts[k] * rows[(static_cast<size_t>(y) * sw + first + k) * 3 + c];
    }
    return out;
}

// PSNR in dB of an image file (BMP or PPM, any depth) against the reference.
double Psnr(const std::string& path, FREE_IMAGE_FORMAT format, const std::vector<double>& reference, int w, int h)
{
    const ImagePtr rgb([&] {
        const ImagePtr loaded(FreeImage_Load(format, path.c_str(), 0));
        return loaded ? FreeImage_ConvertTo24Bits(loaded.get()) : nullptr;
    }());
    double error = -1;
    if (rgb && static_cast<int>(FreeImage_GetWidth(rgb.get())) == w && static_cast<int>(FreeImage_GetHeight(rgb.get())) == h) {
        error = 0;
        for (int y = 0; y < h; ++y) {
            const BYTE* p = FreeImage_GetScanLine(rgb.get(), h - 1 - y);
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c) {
                    const double d = p[x * 3 + 2 - c] - reference[(static_cast<size_t>(y) * w + x) * 3 + c];
                    error += d * d;
                }
        }
        error /= 3.0 * w * h;
    }
    return error < 0 ? -1 : (error == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / error));
}

// ---------------------------------------------------------------- the program

struct CBenchApp : CWinApp {
    bool InitInstance() override { return true; }
};

// The real main window in a start directory of its own, started as from the
// start-up folder (hidden, as the library is not empty).
class Program {
public:
    explicit Program(const TempDir& dir) : m_dir(dir)
    {
        ::CreateDirectoryA(Library().c_str(), nullptr);
        Setting("StartupsNumber", "1000");  // never due: no wallpaper change at start
    }
    ~Program() { Close(); }
    std::string Library() const { return m_dir / "Wallpaper"; }
    void Setting(const char* key, const char* value) const
    {
        ::WritePrivateProfileStringA("Kavro", key, value, (m_dir / "Kavro.ini").c_str());
    }
    CWallpaperDlg* Start()
    {
        CWinApp::Instance()->SetMainWindow(m_dlg = new CWallpaperDlg);
        if (!m_dlg->Create(nullptr))
            return nullptr;
        Pump(50);
        return m_dlg;
    }
    void Close()
    {
        if (m_dlg && m_dlg->m_hWnd)
            m_dlg->ExitProgram();
        delete m_dlg;
        m_dlg = nullptr;
        CWinApp::Instance()->SetMainWindow(nullptr);
        Pump();
    }
    CWallpaperDlg* Dlg() const { return m_dlg; }
    HWND List() const { return ::GetDlgItem(m_dlg->m_hWnd, IDC_LIST_FILES); }
    int Rows() const { return static_cast<int>(::SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0)); }
    void Command(int id) const { ::SendMessageA(m_dlg->m_hWnd, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    // The preview: the dialog the main window owns that has a picture control.
    CPreviewDlg* Preview() const
    {
        std::pair<HWND, HWND> found = {m_dlg->m_hWnd, nullptr};
        ::EnumThreadWindows(::GetCurrentThreadId(), [](HWND hWnd, LPARAM lp) {
            auto& f = *reinterpret_cast<std::pair<HWND, HWND>*>(lp);
            if (::GetWindow(hWnd, GW_OWNER) == f.first && ::GetDlgItem(hWnd, IDC_PREVIEW_PICTURE))
                f.second = hWnd;
            return TRUE;
        }, reinterpret_cast<LPARAM>(&found));
        return dynamic_cast<CPreviewDlg*>(CWindow::FromHandle(found.second));
    }
    std::string Status() const { return WindowText(::GetDlgItem(m_dlg->m_hWnd, IDC_STATUS)); }

    // A left click on the row's name, as the mouse sends it.
    void ClickRow(int row) const
    {
        RECT rc = {};
        rc.left = LVIR_LABEL;
        ::SendMessageA(List(), LVM_ENSUREVISIBLE, row, FALSE);
        ::SendMessageA(List(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rc));
        const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        ::PostMessageA(List(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessageA(List(), WM_LBUTTONUP, 0, at);
        Pump();
    }
    void ClickColumn(int column) const
    {
        NMLISTVIEW nm = {};
        nm.hdr = {List(), IDC_LIST_FILES, static_cast<UINT>(LVN_COLUMNCLICK)};
        nm.iSubItem = column;
        ::SendMessageA(m_dlg->m_hWnd, WM_NOTIFY, IDC_LIST_FILES, reinterpret_cast<LPARAM>(&nm));
        ::UpdateWindow(List());
    }

private:
    const TempDir& m_dir;
    CWallpaperDlg* m_dlg = nullptr;
};

// The photo's extension, and its kind as the figures name it.
std::string Extension(const std::string& photo)
{
    const std::string::size_type dot = photo.rfind('.');
    return dot == std::string::npos ? std::string() : photo.substr(dot + 1);
}

std::string Kind(const std::string& photo)
{
    const std::string extension = Extension(photo);
    return extension == "png" ? "PNG" : extension == "webp" ? "WebP" : "JPEG";
}

bool CopyPhoto(const std::string& photo, const std::string& to)
{
    return ::CopyFileA(photo.c_str(), to.c_str(), FALSE) != FALSE;
}

double PeakWorkingSetMb()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters))
        return -1;
    return counters.PeakWorkingSetSize / (1024.0 * 1024.0);
}

bool Succeeded(const std::string& status)
{
    return status.find("completed successfully") != std::string::npos;
}

// Set wallpaper in modes P, S and N: memory first (nothing big decoded before
// it in this process), then the times and the quality of mode P.
bool BenchWallpaper(const std::string& photo, const std::string& vips, int sw, int sh)
{
    TempDir dir;
    Program program(dir);
    const std::string source = program.Library() + "\\photo." + Extension(photo);
    if (!CopyPhoto(photo, source) || !program.Start())
        return false;
    const std::string screen = Size(sw, sh);

    program.Setting("ResizeType", "P");
    program.Dlg()->ApplyWallpaper(source);
    const double peak = PeakWorkingSetMb();
    std::printf("%-58s %9.1f MB%s\n", ("peak working set, set wallpaper P, screen " + screen).c_str(), peak,
                Succeeded(program.Status()) ? "" : "  (FAILED)");

    program.Command(ID_TRAY_SETTINGS);
    Pump();
    program.ClickRow(0);
    bool ok = true;
    const double sharedAnchor = g_anchorMs;
    for (const char* mode : {"P", "S", "N"}) {
        const double own = g_modeAnchorMs[mode[0] == 'P' ? 0 : mode[0] == 'S' ? 1 : 2];
        g_anchorMs = own > 0 ? own : sharedAnchor;
        program.Setting("ResizeType", mode);
        ok = Measure(std::string("set wallpaper ") + mode + ", screen " + screen + ", click to status", [&] {
                 ::SendMessageA(::GetDlgItem(program.Dlg()->m_hWnd, IDC_SET_WALLPAPER), BM_CLICK, 0, 0);
                 ::UpdateWindow(program.Dlg()->m_hWnd);
                 return Succeeded(program.Status());
             }, true) >= 0 && ok;
    }
    g_anchorMs = sharedAnchor;

    // Where the time of mode P goes.
    const RECT fit = CImageTools::FitRect(kWidth, kHeight, sw, sh);
    CImageTools tools;
    Measure("  part: header read", [&] {
        int w = 0, h = 0, bpp = 0;
        return tools.ReadUprightSize(source, w, h, bpp);
    });
    Measure("  part: " + Kind(photo) + " decode for " + Size(fit.right, fit.bottom), [&] {
        return ImagePtr(tools.LoadImageFile(source, fit.right, fit.bottom)) != nullptr;
    });
    ImagePtr decoded(tools.LoadImageFile(source, fit.right, fit.bottom));
    CGlobalBlock block;
    Measure("  part: StretchToDib " + Size(CImageTools::FI_GetWidth(decoded.get()), CImageTools::FI_GetHeight(decoded.get())) +
                " to " + Size(fit.right, fit.bottom), [&] {
        block.Reset();
        block.Reset(tools.StretchToDib(decoded.get(), fit.right, fit.bottom));
        return block != nullptr;
    });
    decoded.reset();
    Measure("  part: WriteDib", [&] { return tools.WriteDib(dir / "written.bmp", block); });
    block.Reset();
    // What a change does besides: the old bitmap kept for an undo, and the
    // system handed the new one (it reads and shows it).
    const std::string shown = CWallpaperEngine::WallpaperBitmapPath();
    Measure("  part: old bitmap kept aside", [&] {
        CChangeUndo undo(CWallpaperEngine::SystemDesktop());
        undo.Keep(shown);
        return true;
    });
    Measure("  part: SystemParametersInfo", [&] { return CWallpaperEngine::SystemDesktop().SetWallpaper(shown); });
    Measure("  part: preview-size " + Kind(photo) + " decode", [&] {
        return ImagePtr(tools.LoadImageFile(source, 134, 89)) != nullptr;
    });

    // Mode P once more, then its picture against the area average of the whole photo.
    program.Setting("ResizeType", "P");
    program.Dlg()->ApplyWallpaper(source);
    const std::vector<double> reference = [&] {
        const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(photo.c_str(), 0);
        const ImagePtr full(FreeImage_Load(format, photo.c_str(), format == FIF_JPEG ? JPEG_ACCURATE : 0));
        return full ? AreaAverage(full.get(), fit.right, fit.bottom) : std::vector<double>();
    }();
    if (reference.empty())
        return false;
    const double ours = Psnr(CWallpaperEngine::WallpaperBitmapPath(), FIF_BMP, reference, fit.right, fit.bottom);
    std::printf("%-58s %9.1f dB\n", ("wallpaper quality P " + Size(fit.right, fit.bottom) + ", PSNR vs area average").c_str(), ours);
    if (!vips.empty()) {
        const double theirs = Psnr(vips, FIF_PPM, reference, fit.right, fit.bottom);
        if (theirs >= 0)
            std::printf("%-58s %9.1f dB\n", ("vipsthumbnail " + Size(fit.right, fit.bottom) + ", PSNR vs area average").c_str(), theirs);
    }
    std::fflush(stdout);
    return ok && ours >= 0;
}

// Clicking between two photos, so every click shows a different file.
bool BenchPreview(const std::string& photo)
{
    TempDir dir;
    Program program(dir);
    const std::string a = program.Library() + "\\a." + Extension(photo), b = program.Library() + "\\b." + Extension(photo);
    if (!CopyPhoto(photo, a) || !CopyPhoto(photo, b) ||
        !program.Start())
        return false;
    program.Command(ID_TRAY_SETTINGS);
    Pump();
    CPreviewDlg* preview = program.Preview();
    const auto shown = [&] {
        return ::SendDlgItemMessageA(preview->m_hWnd, IDC_PREVIEW_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0);
    };
    RECT area = {};
    ::GetClientRect(preview->Item(IDC_PREVIEW_PICTURE), &area);
    int row = 0;
    bool ok = Measure("preview: click on a 24 MP " + Kind(photo) + "'s row into " + Size(area.right, area.bottom), [&] {
        const LRESULT before = shown();
        program.ClickRow(row ^= 1);
        return shown() != before && ::IsWindowVisible(preview->m_hWnd);
    }, true) >= 0;
    Measure("  part: LoadPreviewImage alone", [&] {
        return preview->LoadPreviewImage((row ^= 1) ? b : a);
    });
    ok = Measure("preview: click on the row already shown", [&] {
        program.ClickRow(row);
        return ::IsWindowVisible(preview->m_hWnd) != FALSE;
    }) >= 0 && ok;
    std::printf("%-58s %s\n", "preview info line", WindowText(preview->Item(IDC_PREVIEW_INFO)).c_str());
    return ok;
}

// Files of many sizes and both types; the list reads names and sizes only.
bool MakeLibrary(const std::string& folder, int count)
{
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "\\photo %05d.%s", (i * 7919) % 100000, i % 3 ? "jpg" : "bmp");
        HANDLE file = ::CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        LARGE_INTEGER size;
        size.QuadPart = 1024LL * ((i * 131) % 9000);  // sparse: no disk used
        const bool ok = ::SetFilePointerEx(file, size, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
        ::CloseHandle(file);
        if (!ok)
            return false;
    }
    return true;
}

// List shown after restoring from the tray, then sorting by each column.
bool BenchList()
{
    bool ok = true;
    double previous = 0;
    for (const int count : {100, 1000, 10000}) {
        const std::string label = "list shown after restoring from the tray, " + std::to_string(count) + " files";
        if (previous > 3000) {
            std::printf("%-58s not run (%.0f ms for a tenth of it)\n", label.c_str(), previous);
            continue;
        }
        TempDir dir;
        Program program(dir);
        if (!MakeLibrary(program.Library(), count) || !program.Start())
            return false;
        previous = Measure(label, [&] {
            program.Command(IDC_HIDE);
            Pump();
            program.Command(ID_TRAY_SETTINGS);
            ::UpdateWindow(program.Dlg()->m_hWnd);
            return program.Rows() == count && ::IsWindowVisible(program.Dlg()->m_hWnd);
        }, false, 15000);
        ok = previous >= 0 && ok;
        if (count < 1000 && previous <= 3000)
            continue;
        static const char* const kColumns[] = {"name", "size", "type"};
        for (int column = 2; column >= 0 && previous >= 0; --column)
            ok = Measure("sort " + std::to_string(count) + " rows by " + kColumns[column], [&] {
                     program.ClickColumn(column);
                     return program.Rows() == count;
                 }, false, 10000) >= 0 && ok;
    }
    return ok;
}

// Two monitors side by side, 1920x1080 and 2560x1440: the photo fitted to
// each in one spanned bitmap, written where the desktop double says. Memory
// first, as nothing big has been decoded before in this process.
bool BenchTwoScreens(const std::string& photo)
{
    struct Screens : CMonitorLayout {
        std::vector<Monitor> Monitors() const override
        {
            return {{{0, 0, 1920, 1080}, true}, {{1920, 0, 4480, 1440}, false}};
        }
    } screens;
    struct Desktop : CWallpaperEngine::Desktop {
        std::string folder;
        std::string WindowsFolder() const override { return folder; }
        bool SetValue(const char*, const std::string&) const override { return true; }
        bool GetValue(const char*, std::string&) const override { return false; }
        bool RemoveValue(const char*) const override { return true; }
        bool SetWallpaper(const std::string&) const override { return true; }
        bool CanSpan() const override { return true; }
    } desktop;
    struct Status : CWallpaperEngine::Reporter {
        std::string line;
        void SetStatusText(const std::string& text) override { line = text; }
        void ShowImageFileStatus(const std::string& message, const std::string&) override { line = message; }
        void RepaintNow() override {}
    } status;
    TempDir dir;
    desktop.folder = dir.Path();
    CSettings settings;
    settings.m_strIniPath = dir / "Kavro.ini";
    settings.SetResizeMode(FitMode::Proportional);
    const CFileTools files;
    CWallpaperEngine engine(status, settings, files, desktop, screens);
    const bool first = engine.ApplyWallpaper(photo);
    std::printf("%-58s %9.1f MB%s\n", "peak working set, set wallpaper P, two screens", PeakWorkingSetMb(),
                first ? "" : "  (FAILED)");
    return Measure("set wallpaper P, screens 1920x1080 + 2560x1440 (engine)", [&] {
        return engine.ApplyWallpaper(photo) && Succeeded(status.line);
    }, true) >= 0 && first;
}

const char* Arg(int argc, char** argv, const char* name)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return argv[i + 1];
    return nullptr;
}

bool Flag(int argc, char** argv, const char* name)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return true;
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                                                ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&icc);
    CImageTools::InitialiseLibrary();
    static CBenchApp app;
    int result = 0;
    if (const char* target = Arg(argc, argv, "--make-photo")) {
        result = MakePhoto(target) ? 0 : 1;
    } else if (const char* photo = Arg(argc, argv, "--photo")) {
        if (const char* anchor = Arg(argc, argv, "--anchor-ms"))
            g_anchorMs = std::atof(anchor);
        for (int mode = 0; mode < 3; ++mode)
            if (const char* anchor = Arg(argc, argv, mode == 0 ? "--anchor-P" : mode == 1 ? "--anchor-S" : "--anchor-N"))
                g_modeAnchorMs[mode] = std::atof(anchor);
        if (Flag(argc, argv, "--two-screens")) {
            result = BenchTwoScreens(photo) ? 0 : 1;
            CImageTools::ReleaseLibrary();
            return result;
        }
        const char* vips = Arg(argc, argv, "--vips");
        const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
        bool ok = BenchWallpaper(photo, vips ? vips : "", sw, sh);
        if (!Flag(argc, argv, "--wallpaper-only"))
            ok = BenchPreview(photo) && (Flag(argc, argv, "--no-list") || BenchList()) && ok;
        result = ok ? 0 : 1;
    } else {
        std::printf("usage: kavro_benchmark --make-photo PATH | --photo PATH [--anchor-ms MS] [--vips PPM] "
                    "[--wallpaper-only] [--no-list]\n");
        result = 2;
    }
    CImageTools::ReleaseLibrary();
    return result;
}
