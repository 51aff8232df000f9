#include "library/file_tools.h"

#include <windows.h>

#include "framework/win_app.h"

namespace {

// The attributes of exactly this path. A name holding '?' or '*' (what the
// "A" calls make of characters outside the code page) is never searched for
// as a pattern: it matches other files.
DWORD AttributesOf(const std::string& path)
{
    if (!CFileTools::IsPlainName(path))
        return INVALID_FILE_ATTRIBUTES;
    return ::GetFileAttributesA(path.c_str());
}

}  // namespace

bool CFileTools::IsPlainName(const std::string& path)
{
    return path.find_first_of("?*") == std::string::npos;
}

bool CFileTools::FileExists(const std::string& path) const
{
    return AttributesOf(path) != INVALID_FILE_ATTRIBUTES;
}

bool CFileTools::FolderExists(const std::string& path) const
{
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CFileTools::CreateFolderPath(const std::string& path) const
{
    std::string prefix;
    for (char ch : path) {
        if (ch == '\\' && !FolderExists(prefix))
            ::CreateDirectoryA(prefix.c_str(), nullptr);
        prefix += ch;
    }
    ::CreateDirectoryA(path.c_str(), nullptr);
    return FolderExists(path);
}

std::string::size_type CFileTools::FindLast(const std::string& text, char ch)
{
    // Walk forward by characters so that a trail byte equal to the separator
    // is never taken for it.
    std::string::size_type found = std::string::npos;
    const char* begin = text.c_str();
    for (const char* p = begin; *p; p = ::CharNextA(p))
        if (*p == ch)
            found = static_cast<std::string::size_type>(p - begin);
    return found;
}

std::string CFileTools::UpperCase(std::string text)
{
    if (!text.empty())
        ::CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

std::string CFileTools::GetFileExtension(const std::string& text) const
{
    std::string::size_type pos = FindLast(text, '.');
    return pos == std::string::npos ? std::string() : text.substr(pos + 1);
}

std::string CFileTools::RemoveFileExtension(const std::string& text) const
{
    std::string::size_type pos = FindLast(text, '.');
    return pos == std::string::npos ? std::string() : text.substr(0, pos);
}

std::string CFileTools::GetFileNamePart(const std::string& text) const
{
    std::string::size_type pos = FindLast(text, '\\');
    return pos == std::string::npos ? std::string() : text.substr(pos + 1);
}

void CFileTools::PumpMessages() const
{
    CWinApp* app = CWinApp::Instance();
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave the quit request for the main loop.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (app && app->PreTranslateMessage(&msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}
