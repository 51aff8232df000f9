#include "tests/test_support.h"

#include <FreeImage.h>

#include <commdlg.h>
#include <dlgs.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>
#include <sstream>
#include <utility>

namespace {

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string child = path + "\\" + name;
            ::SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                ::DeleteFileA(child.c_str());
        } while (::FindNextFileA(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryA(path.c_str());
}

struct AnswerRequest {
    std::string caption;
    int buttonId = 0;
    std::string* seenText = nullptr;
    UINT_PTR timer = 0;
    bool answered = false;
};
AnswerRequest g_answer;

BOOL CALLBACK FindDialog(HWND hWnd, LPARAM lParam)
{
    char cls[64] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !::IsWindowVisible(hWnd))
        return TRUE;
    if (testing_support::WindowText(hWnd) != g_answer.caption)
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hWnd;
    return FALSE;
}

void CALLBACK AnswerTimer(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dlg = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindDialog, reinterpret_cast<LPARAM>(&dlg));
    if (!dlg)
        return;
    ::KillTimer(nullptr, g_answer.timer);
    g_answer.timer = 0;
    if (g_answer.seenText)
        *g_answer.seenText = testing_support::WindowText(::GetDlgItem(dlg, 0xFFFF));
    g_answer.answered = true;
    ::PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(g_answer.buttonId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dlg, g_answer.buttonId)));
}

struct DialogAction {
    std::string caption;
    std::function<void(HWND)> action;
    UINT_PTR timer = 0;
    bool done = false;
};
DialogAction g_action;

BOOL CALLBACK FindActionDialog(HWND hWnd, LPARAM lParam)
{
    char cls[64] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !::IsWindowVisible(hWnd) ||
        testing_support::WindowText(hWnd) != g_action.caption)
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hWnd;
    return FALSE;
}

void CALLBACK DialogActionTimer(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dlg = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindActionDialog, reinterpret_cast<LPARAM>(&dlg));
    if (!dlg)
        return;
    // Done before the action runs: the action may open a nested loop.
    testing_support::CancelDialogAction();
    g_action.done = true;
    const std::function<void(HWND)> action = std::move(g_action.action);
    action(dlg);
}

std::vector<std::string> g_strays;

BOOL CALLBACK CloseStray(HWND hWnd, LPARAM)
{
    char cls[64] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    HWND owner = ::GetWindow(hWnd, GW_OWNER);
    if (std::string(cls) == "#32770" && ::IsWindowVisible(hWnd) && ::IsWindowEnabled(hWnd) && owner &&
        !::IsWindowEnabled(owner)) {
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
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
}

}  // namespace

TempDir::TempDir()
{
    static int counter = 0;
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    char name[MAX_PATH];
    std::snprintf(name, sizeof name, "%skavro-test-%lu-%d", temp,
                  static_cast<unsigned long>(::GetCurrentProcessId()), ++counter);
    m_path = name;
    RemoveTree(m_path);
    ::CreateDirectoryA(m_path.c_str(), nullptr);
    char cur[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, cur);
    m_previousDir = cur;
    ::SetCurrentDirectoryA(m_path.c_str());
}

TempDir::~TempDir()
{
    ::SetCurrentDirectoryA(m_previousDir.c_str());
    RemoveTree(m_path);
}

namespace testing_support {

void Pump(DWORD milliseconds)
{
    DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                continue;  // a destroyed main window; the tests go on
            CWinApp* app = CWinApp::Instance();
            if (app && app->PreTranslateMessage(&msg))
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
    DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs)
            return done();
        Pump(10);
    }
    return true;
}

void AnswerNextDialog(const std::string& caption, int buttonId, std::string* seenText)
{
    CancelAnswer();
    g_answer.caption = caption;
    g_answer.buttonId = buttonId;
    g_answer.seenText = seenText;
    g_answer.answered = false;
    g_answer.timer = ::SetTimer(nullptr, 0, 50, &AnswerTimer);
}

bool DialogAnswered() { return g_answer.answered; }

void CancelAnswer()
{
    if (g_answer.timer)
        ::KillTimer(nullptr, g_answer.timer);
    g_answer.timer = 0;
}

void OnNextDialog(const std::string& caption, std::function<void(HWND)> action)
{
    CancelDialogAction();
    g_action.caption = caption;
    g_action.action = std::move(action);
    g_action.done = false;
    g_action.timer = ::SetTimer(nullptr, 0, 50, &DialogActionTimer);
}

bool DialogHandled() { return g_action.done; }

void CancelDialogAction()
{
    if (g_action.timer)
        ::KillTimer(nullptr, g_action.timer);
    g_action.timer = 0;
}

DialogWatchdog::DialogWatchdog(DWORD periodMs) : m_timer(::SetTimer(nullptr, 0, periodMs, &WatchdogTick))
{
    g_strays.clear();
}

DialogWatchdog::~DialogWatchdog() { ::KillTimer(nullptr, m_timer); }

const std::vector<std::string>& DialogWatchdog::Closed() const { return g_strays; }

bool ChooseFilesInOpenDialog(HWND dialog, const std::string& folder, const std::vector<std::string>& names)
{
    if (names.size() == 1) {
        TypeAndOpen(dialog, folder + "\\" + names.front());
        return true;
    }
    TypeAndOpen(dialog, folder);
    const auto arrived = [&] {
        char shown[MAX_PATH] = {};
        ::SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(shown));
        return ::lstrcmpiA(shown, folder.c_str()) == 0;
    };
    if (!PumpUntil(arrived))
        return false;
    std::string typed;
    for (const std::string& name : names)
        typed += "\"" + name + "\" ";
    TypeAndOpen(dialog, typed);
    return true;
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool PathExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string WindowText(HWND hWnd)
{
    char text[1024] = {};
    ::GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

bool MakeImageFile(const std::string& path, int w, int h, COLORREF colour)
{
    FIBITMAP* dib = FreeImage_Allocate(w, h, 24);
    if (!dib)
        return false;
    for (int y = 0; y < h; ++y) {
        BYTE* row = FreeImage_GetScanLine(dib, y);
        for (int x = 0; x < w; ++x) {
            // A plain colour with a darker left column and bottom row.
            const bool edge = (x == 0 || y == 0);
            row[x * 3 + FI_RGBA_RED] = edge ? 0 : GetRValue(colour);
            row[x * 3 + FI_RGBA_GREEN] = edge ? 0 : GetGValue(colour);
            row[x * 3 + FI_RGBA_BLUE] = edge ? 0 : GetBValue(colour);
        }
    }
    std::string upper = path;
    for (char& c : upper)
        c = static_cast<char>(::toupper(static_cast<unsigned char>(c)));
    const bool jpeg = upper.size() > 4 && (upper.rfind(".JPG") == upper.size() - 4 ||
                                           upper.rfind(".JPEG") == upper.size() - 5);
    BOOL ok = jpeg ? FreeImage_Save(FIF_JPEG, dib, path.c_str(), JPEG_QUALITYSUPERB)
                   : FreeImage_Save(FIF_BMP, dib, path.c_str(), 0);
    FreeImage_Unload(dib);
    return ok != FALSE;
}

}  // namespace testing_support
