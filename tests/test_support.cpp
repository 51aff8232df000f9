#include "tests/test_support.h"

#include <FreeImage.h>

#include <commdlg.h>
#include <dlgs.h>

#include <cstdio>
#include <fstream>
#include <list>
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
    int id = 0;
    std::string caption;
    std::function<void(HWND)> action;
    UINT_PTR timer = 0;
    bool done = false;
};
std::list<DialogAction> g_actions;
int g_lastActionId = 0;

struct DialogSearch {
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK FindDialogByCaption(HWND hWnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<DialogSearch*>(lParam);
    char cls[64] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !::IsWindowVisible(hWnd))
        return TRUE;
    if (testing_support::WindowText(hWnd) != *search->caption)
        return TRUE;
    search->found = hWnd;
    return FALSE;
}

void CALLBACK DialogActionTimer(HWND, UINT, UINT_PTR timer, DWORD)
{
    for (DialogAction& request : g_actions) {
        if (request.timer != timer || request.done)
            continue;
        DialogSearch search = {&request.caption, nullptr};
        ::EnumThreadWindows(::GetCurrentThreadId(), &FindDialogByCaption, reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            return;
        // Done before the action runs: the action may open a nested loop.
        ::KillTimer(nullptr, request.timer);
        request.timer = 0;
        request.done = true;
        request.action(search.found);
        return;
    }
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

int OnNextDialog(const std::string& caption, std::function<void(HWND)> action)
{
    DialogAction request;
    request.id = ++g_lastActionId;
    request.caption = caption;
    request.action = std::move(action);
    request.timer = ::SetTimer(nullptr, 0, 50, &DialogActionTimer);
    g_actions.push_back(std::move(request));
    return g_lastActionId;
}

bool DialogHandled(int request)
{
    for (const DialogAction& a : g_actions)
        if (a.id == request)
            return a.done;
    return false;
}

void CancelDialogActions()
{
    for (DialogAction& a : g_actions)
        if (a.timer)
            ::KillTimer(nullptr, a.timer);
    g_actions.clear();
}

namespace {
DialogWatchdog* g_watchdog = nullptr;
}

DialogWatchdog::DialogWatchdog(DWORD periodMs)
{
    g_watchdog = this;
    m_timer = ::SetTimer(nullptr, 0, periodMs, &DialogWatchdog::Tick);
}

DialogWatchdog::~DialogWatchdog()
{
    ::KillTimer(nullptr, m_timer);
    if (g_watchdog == this)
        g_watchdog = nullptr;
}

void DialogWatchdog::KeepCurrentDialogs()
{
    ::EnumThreadWindows(::GetCurrentThreadId(), &DialogWatchdog::Remember, reinterpret_cast<LPARAM>(this));
}

BOOL CALLBACK DialogWatchdog::Remember(HWND hWnd, LPARAM lParam)
{
    char cls[64] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (std::string(cls) == "#32770")
        reinterpret_cast<DialogWatchdog*>(lParam)->m_keep.push_back(hWnd);
    return TRUE;
}

BOOL CALLBACK DialogWatchdog::CloseStray(HWND hWnd, LPARAM lParam)
{
    auto* self = reinterpret_cast<DialogWatchdog*>(lParam);
    char cls[64] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !::IsWindowVisible(hWnd) || !::IsWindowEnabled(hWnd))
        return TRUE;
    for (HWND kept : self->m_keep)
        if (kept == hWnd)
            return TRUE;
    self->m_closed.push_back(WindowText(hWnd));
    ::PostMessageA(hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return TRUE;
}

void CALLBACK DialogWatchdog::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_watchdog)
        ::EnumThreadWindows(::GetCurrentThreadId(), &DialogWatchdog::CloseStray,
                            reinterpret_cast<LPARAM>(g_watchdog));
}

HWND OpenFileNameEdit(HWND dialog)
{
    // Explorer style: an edit inside the combo box cmb13; older layouts: edt1.
    HWND field = ::GetDlgItem(dialog, cmb13);
    if (!field)
        return ::GetDlgItem(dialog, edt1);
    char cls[64] = {};
    ::GetClassNameA(field, cls, sizeof cls);
    if (std::string(cls) == "Edit")
        return field;
    HWND edit = ::FindWindowExA(field, nullptr, "Edit", nullptr);
    if (!edit) {
        HWND combo = ::FindWindowExA(field, nullptr, "ComboBox", nullptr);
        if (combo)
            edit = ::FindWindowExA(combo, nullptr, "Edit", nullptr);
    }
    return edit;
}

void TypeFileNameAndOpen(HWND dialog, const std::string& text)
{
    HWND edit = OpenFileNameEdit(dialog);
    if (edit)
        ::SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
}

std::string OpenFileDialogFolder(HWND dialog)
{
    char folder[MAX_PATH] = {};
    const LRESULT n = ::SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
    return n > 0 ? std::string(folder) : std::string();
}

bool ChooseFilesInOpenDialog(HWND dialog, const std::string& folder, const std::vector<std::string>& names)
{
    if (names.size() == 1) {
        TypeFileNameAndOpen(dialog, folder + "\\" + names.front());
        return true;
    }
    TypeFileNameAndOpen(dialog, folder);
    const bool arrived = PumpUntil([&] {
        return ::lstrcmpiA(OpenFileDialogFolder(dialog).c_str(), folder.c_str()) == 0;
    });
    if (!arrived)
        return false;
    std::string typed;
    for (const std::string& name : names)
        typed += (typed.empty() ? "\"" : " \"") + name + "\"";
    TypeFileNameAndOpen(dialog, typed);
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
