// A new random wallpaper every N minutes while the program runs, shown or
// in the tray. One window timer; its tick goes to the owner, which makes
// the change and tells the timer.
#pragma once
#include <windows.h>

#include <string>

class CChangeTimer {
public:
    static const UINT_PTR kTimerId = 2;

    CChangeTimer() = default;
    virtual ~CChangeTimer() = default;
    CChangeTimer(const CChangeTimer&) = delete;
    CChangeTimer& operator=(const CChangeTimer&) = delete;

    // Every `minutes` (1 to 1440) from now; 0 stops it. No timer runs while
    // it is off.
    bool Start(HWND owner, int minutes);
    void Stop();
    // A change made by hand: the interval starts again from now.
    void Restart();
    bool Running() const { return m_nMinutes > 0; }

    // "Next wallpaper change at 14:05." (local time); empty when off.
    std::string NextChangeText() const;
    // A status line's report with the time of the next change after it, in
    // place of an earlier one.
    std::string WithNextChange(const std::string& status) const;
    // The tray icon's tip: the title, and the next change when on.
    std::string TrayTip(const char* title) const;

private:
    HWND m_owner = nullptr;
    int m_nMinutes = 0;
    ULONGLONG m_nDueTick = 0;  // GetTickCount64 of the next change
};
