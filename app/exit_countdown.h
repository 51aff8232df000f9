// The automatic exit: a timer ticking once a minute while the program waits
// in the tray, which closes it after the stored number of minutes.
#pragma once
#include <windows.h>

class CExitCountdown {
public:
    static const UINT_PTR kTimerId = 1;

    CExitCountdown() = default;
    virtual ~CExitCountdown() = default;
    CExitCountdown(const CExitCountdown&) = delete;
    CExitCountdown& operator=(const CExitCountdown&) = delete;

    // From the start again; 0 minutes: no countdown.
    void Arm(HWND owner, int minutes);
    void Disarm();
    // One tick: true when the time is up (the countdown then stops).
    bool Tick();

private:
    HWND m_owner = nullptr;
    int m_nMinutesElapsed = 0;
    int m_nTimeoutMinutes = 0;
};
