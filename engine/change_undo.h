// What a wallpaper change replaces, put back when it fails part way: the
// bitmap file (copied aside before it is replaced) and the desktop's values,
// and the system's wallpaper when it had already taken the new one.
#pragma once
#include <string>

#include "engine/wallpaper_engine.h"

class CChangeUndo {
public:
    explicit CChangeUndo(const CWallpaperEngine::Desktop& desktop);
    ~CChangeUndo();
    CChangeUndo(const CChangeUndo&) = delete;
    CChangeUndo& operator=(const CChangeUndo&) = delete;

    // Before `path` is written: its old file, if any, is kept beside it.
    void Keep(const std::string& path);
    // The write to the kept path failed: it left the old file as it was.
    void Forget();
    // The system was handed the new picture.
    void SystemTookIt() { m_bSystemTookIt = true; }
    // Everything back as it was.
    void Revert();

private:
    static const int kValues = 3;
    const CWallpaperEngine::Desktop& m_desktop;
    std::string m_values[kValues];
    bool m_present[kValues] = {};
    std::string m_path, m_aside;
    bool m_bSystemTookIt = false;
};
