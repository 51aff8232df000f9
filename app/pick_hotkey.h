// The system-wide key for "Pick random": registered for as long as the
// program runs, and told apart from a key another program holds.
#pragma once
#include <windows.h>

#include <string>

class CPickHotkey {
public:
    static const int kHotkeyId = 1;

    CPickHotkey() = default;
    virtual ~CPickHotkey();
    CPickHotkey(const CPickHotkey&) = delete;
    CPickHotkey& operator=(const CPickHotkey&) = delete;

    // The key as the hot-key control gives it (virtual key in the low byte,
    // HOTKEYF_* in the high one); 0 unregisters. False when the system
    // refused it, most likely because another program holds it.
    bool Register(HWND owner, unsigned hotkey);
    void Unregister();
    bool Registered() const { return m_bRegistered; }

    // The key's name as the keyboard shows it, "Ctrl+Alt+W".
    static std::string NameOf(unsigned hotkey);

private:
    HWND m_owner = nullptr;
    bool m_bRegistered = false;
};
