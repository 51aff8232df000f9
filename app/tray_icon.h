// The program's notification-area icon: its record, its pop-up menu, and its
// return when the taskbar restarts. The owner window receives the icon's
// mouse messages as kNotifyMessage and hands them to OnNotify.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include "framework/kernel_owners.h"

class CTrayIcon {
public:
    static const UINT kNotifyMessage = WM_USER + 1;
    // The icon's id within its owner window.
    static const UINT kIconId = 1;

    CTrayIcon();
    ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // Adds the icon once, with the tip (cut to the record's 64 characters)
    // and the menu resource its right-click shows. At logon the shell may
    // not take it yet: InShell() is then false until Retry() succeeds.
    void Add(HWND owner, HICON icon, const char* tip, UINT menuId);
    // The shell is asked again on a timer of the owner's, kRetryTimerId,
    // every two seconds for two minutes; its ticks go to Retry().
    static const UINT_PTR kRetryTimerId = 4;
    bool InShell() const { return m_bInShell; }
    void Retry();
    // A new tip for the icon (cut to 63 characters).
    void SetTip(const char* tip);
    // Tests: the shell refuses this many of the next additions.
    static int s_nRefuseAdds;
    // Removes the icon and releases the menu; nothing when never added.
    void Remove();

    // True for the shell's "TaskbarCreated" broadcast, after adding the icon
    // again: without it a hidden program would be unreachable.
    bool OnTaskbarCreated(UINT msg);
    // The icon's mouse message. A click brings the owner forward, a right
    // click opens the menu (its commands go to the owner); true for a
    // double-click, which asks for the window back.
    bool OnNotify(LPARAM mouse);

private:
    bool HandToShell();

    NOTIFYICONDATAA m_data;
    CMenuHandle m_menu;
    bool m_bShown = false;
    bool m_bInShell = false;
    int m_nRetries = 0;
};
