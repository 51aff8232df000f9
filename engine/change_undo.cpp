#include "engine/change_undo.h"

#include <windows.h>

namespace {
const char* const kDesktopValues[] = {"TileWallpaper", "WallpaperStyle", "Wallpaper"};
}

CChangeUndo::CChangeUndo(const CWallpaperEngine::Desktop& desktop) : m_desktop(desktop)
{
    static_assert(sizeof kDesktopValues / sizeof kDesktopValues[0] == kValues, "one slot per value");
    for (int i = 0; i < kValues; ++i)
        m_present[i] = desktop.GetValue(kDesktopValues[i], m_values[i]);
}

CChangeUndo::~CChangeUndo()
{
    if (!m_aside.empty())
        ::DeleteFileA(m_aside.c_str());
}

void CChangeUndo::Keep(const std::string& path)
{
    m_path = path;
    m_aside = path + ".old";
    // A second name for the old file costs nothing, and the new one is
    // written beside it and renamed over the path, never into the old file.
    // A volume without links (FAT) gets a copy.
    ::DeleteFileA(m_aside.c_str());
    if (!::CreateHardLinkA(m_aside.c_str(), path.c_str(), nullptr) &&
        !::CopyFileA(path.c_str(), m_aside.c_str(), FALSE))
        m_aside.clear();  // nothing there (or nothing to keep)
}

void CChangeUndo::Forget()
{
    if (!m_aside.empty())
        ::DeleteFileA(m_aside.c_str());
    m_aside.clear();
    m_path.clear();
}

void CChangeUndo::Revert()
{
    if (!m_path.empty()) {
        if (m_aside.empty())
            ::DeleteFileA(m_path.c_str());
        else if (::MoveFileExA(m_aside.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING))
            m_aside.clear();
    }
    for (int i = 0; i < kValues; ++i) {
        if (m_present[i])
            m_desktop.SetValue(kDesktopValues[i], m_values[i]);
        else
            m_desktop.RemoveValue(kDesktopValues[i]);
    }
    // "Wallpaper" is the system's own record of its picture.
    if (m_bSystemTookIt)
        m_desktop.SetWallpaper(m_present[kValues - 1] ? m_values[kValues - 1] : std::string());
}
