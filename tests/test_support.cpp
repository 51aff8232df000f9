#include "tests/test_support.h"

#include <FreeImage.h>

#include <commdlg.h>
#include <dlgs.h>

#include <fstream>
#include <iterator>
#include <utility>

namespace {

bool IsShownDialog(HWND hWnd)
{
    char cls[64] = {};
    return ::GetClassNameA(hWnd, cls, sizeof cls) && std::string(cls) == "#32770" && ::IsWindowVisible(hWnd);
}

struct Request { std::string caption; std::function<void(HWND)> action; UINT_PTR timer; bool done; } g_request;

BOOL CALLBACK FindRequested(HWND hWnd, LPARAM lParam)
{
    if (IsShownDialog(hWnd) && testing_support::WindowText(hWnd) == g_request.caption)
        *reinterpret_cast<HWND*>(lParam) = hWnd;
    return TRUE;
}

void CALLBACK RequestTimer(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dlg = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindRequested, reinterpret_cast<LPARAM>(&dlg));
    if (!dlg)
        return;
    // Done before the action runs: the action may open a nested loop.
    testing_support::CancelAnswer();
    g_request.done = true;
    std::function<void(HWND)>(std::move(g_request.action))(dlg);
}

std::vector<std::string> g_strays;

BOOL CALLBACK CloseStray(HWND hWnd, LPARAM)
{
    HWND owner = ::GetWindow(hWnd, GW_OWNER);
    if (IsShownDialog(hWnd) && ::IsWindowEnabled(hWnd) && owner && !::IsWindowEnabled(owner)) {
        g_strays.push_back(testing_support::WindowText(hWnd));
        ::PostMessageA(hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    return TRUE;
}

void CALLBACK WatchdogTick(HWND, UINT, UINT_PTR, DWORD)
{
    ::EnumThreadWindows(::GetCurrentThreadId(), &CloseStray, 0);
}

void TypeAndOpen(HWND dialog, const std::string& text)
{
    // The file-name field: a combo box in newer layouts, an edit in older.
    ::SetDlgItemTextA(dialog, ::GetDlgItem(dialog, cmb13) ? cmb13 : edt1, text.c_str());
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(::GetDlgItem(dialog, IDOK)));
}

}  // namespace

using testing_support::RemoveTree;

TempDir::TempDir()
{
    static int counter = 0;
    char temp[MAX_PATH] = {}, cur[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    ::GetCurrentDirectoryA(MAX_PATH, cur);
    m_path = temp + ("kavro-test-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter));
    m_previousDir = cur;
    RemoveTree(m_path);
    ::CreateDirectoryA(m_path.c_str(), nullptr);
    ::SetCurrentDirectoryA(m_path.c_str());
}

TempDir::~TempDir() { ::SetCurrentDirectoryA(m_previousDir.c_str()); RemoveTree(m_path); }

namespace testing_support {

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((path + "\\*").c_str(), &fd);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = ::FindNextFileA(h, &fd)) {
        const std::string name = fd.cFileName, child = path + "\\" + name;
        ::SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ::DeleteFileA(child.c_str());
        else if (name != "." && name != "..")
            RemoveTree(child);
    }
    ::FindClose(h);
    ::RemoveDirectoryA(path.c_str());
}

void Pump(DWORD milliseconds)
{
    const DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            // WM_QUIT comes from a destroyed main window; the tests go on.
            if (msg.message == WM_QUIT || (CWinApp::Instance() && CWinApp::Instance()->PreTranslateMessage(&msg)))
                continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (milliseconds)
            ::Sleep(5);
    } while (::GetTickCount() - start < milliseconds);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    for (const DWORD start = ::GetTickCount(); !done() && ::GetTickCount() - start <= timeoutMs;)
        Pump(10);
    return done();
}

void OnNextDialog(const std::string& caption, std::function<void(HWND)> action)
{
    CancelAnswer();
    g_request = {caption, std::move(action), ::SetTimer(nullptr, 0, 50, &RequestTimer), false};
}

void AnswerNextDialog(const std::string& caption, int buttonId, std::string* seenText)
{
    OnNextDialog(caption, [=](HWND dlg) {
        if (seenText)
            *seenText = WindowText(::GetDlgItem(dlg, 0xFFFF));
        ::PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), LPARAM(::GetDlgItem(dlg, buttonId)));
    });
}

bool DialogAnswered() { return g_request.done; }

void CancelAnswer() { ::KillTimer(nullptr, g_request.timer); g_request.timer = 0; }

DialogWatchdog::DialogWatchdog(DWORD periodMs) : m_timer(::SetTimer(nullptr, 0, periodMs, &WatchdogTick)) {}

DialogWatchdog::~DialogWatchdog() { ::KillTimer(nullptr, m_timer); g_strays.clear(); }

const std::vector<std::string>& DialogWatchdog::Closed() const { return g_strays; }

bool ChooseFilesInOpenDialog(HWND dialog, const std::string& folder, const std::vector<std::string>& names)
{
    std::string typed = folder + "\\" + names.front();  // one file by its full path
    if (names.size() > 1) {  // several: go to the folder, then type the quoted names
        TypeAndOpen(dialog, folder);
        const auto arrived = [&] {
            char shown[MAX_PATH] = {};
            ::SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(shown));
            return ::lstrcmpiA(shown, folder.c_str()) == 0;
        };
        if (!PumpUntil(arrived))
            return false;
        typed.clear();
        for (const std::string& name : names)
            typed += "\"" + name + "\" ";
    }
    TypeAndOpen(dialog, typed);
    return true;
}

HANDLE StartProgram(const std::string& exe, const std::string& startDir)
{
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, startDir.c_str(), &si,
                          &pi))
        return nullptr;
    ::CloseHandle(pi.hThread);
    return pi.hProcess;
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool PathExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string WindowText(HWND hWnd)
{
    char text[1024] = {};
    return std::string(text, ::GetWindowTextA(hWnd, text, sizeof text));
}

Image MakePicture(int w, int h, const std::function<COLORREF(int x, int y)>& colourAt, int bpp)
{
    Image image(FreeImage_Allocate(w, h, bpp), &FreeImage_Unload);
    if (image && bpp == 32)
        FreeImage_GetICCProfile(image.get())->flags |= FIICC_COLOR_IS_CMYK;
    for (int y = 0; image && y < h; ++y) {
        BYTE* line = FreeImage_GetScanLine(image.get(), h - 1 - y);
        for (int x = 0; x < w; ++x) {
            const COLORREF c = colourAt(x, y);
            const BYTE r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            const BYTE cmyk[4] = {BYTE(255 - r), BYTE(255 - g), BYTE(255 - b), 0}, bgr[3] = {b, g, r};
            if (bpp == 8)
                line[x] = r;
            else if (bpp == 32)
                ::CopyMemory(line + 4 * x, cmyk, 4);
            else
                ::CopyMemory(line + 3 * x, bgr, 3);
        }
    }
    return image;
}

std::string EncodeAs(FIBITMAP* image, int format, int flags)
{
    FIMEMORY* memory = FreeImage_OpenMemory();
    BYTE* data = nullptr;
    DWORD size = 0;
    if (image && FreeImage_SaveToMemory(static_cast<FREE_IMAGE_FORMAT>(format), image, memory, flags))
        FreeImage_AcquireMemory(memory, &data, &size);
    std::string bytes(reinterpret_cast<char*>(data), size);
    FreeImage_CloseMemory(memory);
    return bytes;
}

std::string Encode(FIBITMAP* image, bool jpeg, int jpegFlags)
{
    return jpeg ? EncodeAs(image, FIF_JPEG, JPEG_QUALITYSUPERB | JPEG_SUBSAMPLING_444 | jpegFlags)
                : EncodeAs(image, FIF_BMP, 0);
}

bool MakeImageFile(const std::string& path, int w, int h, COLORREF colour)
{
    const Image image = MakePicture(w, h, [&](int x, int y) { return x == 0 || y == h - 1 ? 0 : colour; });
    const FREE_IMAGE_FORMAT format = FreeImage_GetFIFFromFilename(path.c_str());
    const std::string bytes = format == FIF_PNG || format == FIF_WEBP ? EncodeAs(image.get(), format, 0)
                                                                      : Encode(image.get(), format == FIF_JPEG);
    WriteFileBytes(path, bytes);
    return !bytes.empty() && ReadFileBytes(path) == bytes;
}

}  // namespace testing_support
