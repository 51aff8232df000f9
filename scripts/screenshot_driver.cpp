// Drives a running KavroWallpaper as a user would and saves screen pictures
// (24-bit BMP) for the README. Run on a Wine virtual desktop by
// scripts/screenshots.sh:
//   kavro_shots EXE START_DIR OUT_DIR ROW
// It starts EXE in START_DIR (whose library is not empty, so the program
// starts hidden in the tray), then saves
//   main.bmp     the window restored from the tray, row ROW selected, preview beside
//   options.bmp  the Options dialog open, with the automatic exit checked
//   about.bmp    the About box
//   desktop.bmp  the whole desktop after "Set wallpaper" and "Hide"
// and exits the program with its Exit button. Exit code 0 when all went well.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/tray_icon.h"
#include "res/resource.h"

namespace {

const char kTitle[] = "Kavro Wallpaper Version " KAVRO_VERSION;
const UINT kTrayMessage = CTrayIcon::kNotifyMessage;

std::string g_outDir;
DWORD g_programThread = 0;

bool Fail(const char* what)
{
    std::fprintf(stderr, "kavro_shots: %s\n", what);
    return false;
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 20000)
{
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::Sleep(50);
    }
    return true;
}

// Lets the program finish what the last message started, then paint.
void Settle(HWND main, DWORD ms = 700)
{
    DWORD_PTR ignored;
    ::SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
    ::Sleep(ms);
    ::SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
}

void Click(HWND main, int id)
{
    ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(main, id)));
}

void Key(HWND hWnd, UINT vk)
{
    const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)) << 16;
    ::PostMessageA(hWnd, WM_KEYDOWN, vk, scan | 1);
    ::PostMessageA(hWnd, WM_KEYUP, vk, scan | 1 | (3u << 30));
}

bool SaveScreenRect(const RECT& r, const char* name)
{
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0)
        return Fail("empty rectangle");
    BITMAPINFOHEADER bih = {};
    bih.biSize = sizeof bih;
    bih.biWidth = w;
    bih.biHeight = h;
    bih.biPlanes = 1;
    bih.biBitCount = 24;
    bih.biCompression = BI_RGB;
    const DWORD stride = ((static_cast<DWORD>(w) * 3 + 3) & ~3u);
    bih.biSizeImage = stride * static_cast<DWORD>(h);

    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP dib = ::CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&bih), DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = mem && dib && bits;
    if (ok) {
        HGDIOBJ old = ::SelectObject(mem, dib);
        ok = ::BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY | CAPTUREBLT) != FALSE;
        ::GdiFlush();
        ::SelectObject(mem, old);
    }
    if (ok) {
        BITMAPFILEHEADER bfh = {};
        bfh.bfType = 0x4D42;
        bfh.bfOffBits = sizeof bfh + sizeof bih;
        bfh.bfSize = bfh.bfOffBits + bih.biSizeImage;
        const std::string path = g_outDir + "\\" + name;
        FILE* f = std::fopen(path.c_str(), "wb");
        ok = f && std::fwrite(&bfh, sizeof bfh, 1, f) == 1 && std::fwrite(&bih, sizeof bih, 1, f) == 1 &&
             std::fwrite(bits, bih.biSizeImage, 1, f) == 1;
        if (f && std::fclose(f) != 0)
            ok = false;
        std::printf("%s %s (%dx%d)\n", ok ? "saved" : "could not save", path.c_str(), w, h);
    }
    if (dib)
        ::DeleteObject(dib);
    if (mem)
        ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return ok || Fail("screen capture failed");
}

RECT WindowRect(HWND hWnd)
{
    RECT r = {};
    ::GetWindowRect(hWnd, &r);
    return r;
}

RECT Grow(RECT r, int by)
{
    ::InflateRect(&r, by, by);
    RECT screen = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::IntersectRect(&r, &r, &screen);
    return r;
}

// A visible top-level window of the program's thread, other than `main`, that `match` accepts.
HWND FindProgramWindow(HWND main, bool (*match)(HWND hWnd, HWND main))
{
    struct Search {
        HWND main, found;
        bool (*match)(HWND, HWND);
    } s = {main, nullptr, match};
    ::EnumThreadWindows(
        g_programThread,
        [](HWND hWnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            if (hWnd != s->main && ::IsWindowVisible(hWnd) && s->match(hWnd, s->main)) {
                s->found = hWnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// The About box carries the main window's title.
HWND FindOwnedTitled(HWND main)
{
    return FindProgramWindow(main, [](HWND hWnd, HWND) {
        char text[128] = {};
        ::GetWindowTextA(hWnd, text, sizeof text);
        return std::strcmp(text, kTitle) == 0;
    });
}

// The preview is the other window the main window owns.
HWND FindPreview(HWND main)
{
    return FindProgramWindow(main, [](HWND hWnd, HWND owner) { return ::GetWindow(hWnd, GW_OWNER) == owner; });
}

std::string StatusText(HWND main)
{
    char text[1024] = {};
    ::GetDlgItemTextA(main, IDC_STATUS, text, sizeof text);
    return text;
}

bool Drive(HANDLE process, int row);

bool Run(const std::string& exe, const std::string& startDir, int row)
{
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, startDir.c_str(), &si,
                          &pi))
        return Fail("could not start the program");
    g_programThread = pi.dwThreadId;
    ::CloseHandle(pi.hThread);
    const bool ok = Drive(pi.hProcess, row);
    // A program left behind would keep the Wine desktop, and the script, waiting.
    if (::WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT)
        ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hProcess);
    return ok;
}

bool Drive(HANDLE process, int row)
{
    // The pointer away from the windows, so no tooltip or hot button shows.
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) / 3);
    HWND main = nullptr;
    if (!WaitFor([&] { return (main = ::FindWindowA(nullptr, kTitle)) != nullptr; }))
        return Fail("no main window");
    ::WaitForInputIdle(process, 20000);
    Settle(main);

    // A double-click on the tray icon brings the window back.
    ::PostMessageA(main, kTrayMessage, 0, WM_LBUTTONDBLCLK);
    if (!WaitFor([&] { return ::IsWindowVisible(main) != FALSE; }))
        return Fail("the window did not come back from the tray");
    // List messages with pointers do not cross processes: the row is chosen
    // with the keyboard, as a user would.
    HWND list = ::GetDlgItem(main, IDC_LIST_FILES);
    ::SetForegroundWindow(main);
    Settle(main, 300);
    Key(list, VK_HOME);
    for (int i = 0; i < row; ++i)
        Key(list, VK_DOWN);
    HWND preview = nullptr;
    if (!WaitFor([&] { return (preview = FindPreview(main)) != nullptr; }))
        return Fail("no preview beside the window");
    Settle(main, 1500);
    RECT both;
    const RECT mainRect = WindowRect(main), previewRect = WindowRect(preview);
    ::UnionRect(&both, &mainRect, &previewRect);
    bool ok = SaveScreenRect(Grow(both, 8), "main.bmp");

    // Options, with the automatic exit checked so the slider shows.
    Click(main, IDC_OPTIONS);
    HWND options = nullptr;
    WaitFor([&] {
        HWND check = ::FindWindowExA(main, nullptr, "#32770", nullptr);
        options = check && ::IsWindowVisible(check) ? check : nullptr;
        return options != nullptr;
    });
    if (!options)
        return Fail("the Options dialog did not open");
    if (::SendDlgItemMessageA(options, IDC_AUTO_EXIT, BM_GETCHECK, 0, 0) != BST_CHECKED)
        ::PostMessageA(::GetDlgItem(options, IDC_AUTO_EXIT), BM_CLICK, 0, 0);
    Settle(main, 1000);
    ok = SaveScreenRect(Grow(WindowRect(main), 8), "options.bmp") && ok;
    ::PostMessageA(options, WM_COMMAND, IDCANCEL, 0);
    Settle(main);

    Click(main, IDC_ABOUT);
    HWND about = nullptr;
    if (!WaitFor([&] { return (about = FindOwnedTitled(main)) != nullptr; }))
        return Fail("the About box did not open");
    Settle(main, 1000);
    ok = SaveScreenRect(WindowRect(about), "about.bmp") && ok;
    ::PostMessageA(about, WM_COMMAND, IDOK, 0);
    if (!WaitFor([&] { return FindOwnedTitled(main) == nullptr; }))
        return Fail("the About box did not close");

    Click(main, IDC_SET_WALLPAPER);
    if (!WaitFor([&] { return StatusText(main).find("successfully") != std::string::npos; }, 30000))
        return Fail(("no wallpaper set: " + StatusText(main)).c_str());
    std::printf("status: %s\n", StatusText(main).c_str());
    Click(main, IDC_HIDE);
    Settle(main, 2000);
    RECT screen = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ok = SaveScreenRect(screen, "desktop.bmp") && ok;

    ::PostMessageA(main, WM_COMMAND, ID_TRAY_EXIT, 0);
    const bool ended = ::WaitForSingleObject(process, 20000) == WAIT_OBJECT_0;
    DWORD code = 1;
    ::GetExitCodeProcess(process, &code);
    if (!ended || code != 0)
        return Fail("the program did not exit cleanly");
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: kavro_shots EXE START_DIR OUT_DIR ROW\n");
        return 2;
    }
    g_outDir = argv[3];
    return Run(argv[1], argv[2], std::atoi(argv[4])) ? 0 : 1;
}
