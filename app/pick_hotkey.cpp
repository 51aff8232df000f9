#include "app/pick_hotkey.h"

#include <commctrl.h>

CPickHotkey::~CPickHotkey()
{
    Unregister();
}

bool CPickHotkey::Register(HWND owner, unsigned hotkey)
{
    Unregister();
    const UINT key = LOBYTE(hotkey), flags = HIBYTE(hotkey);
    if (key == 0 || !owner)
        return true;
    // The control's flags and RegisterHotKey's modifiers differ in order.
    UINT modifiers = MOD_NOREPEAT;
    if (flags & HOTKEYF_ALT)
        modifiers |= MOD_ALT;
    if (flags & HOTKEYF_CONTROL)
        modifiers |= MOD_CONTROL;
    if (flags & HOTKEYF_SHIFT)
        modifiers |= MOD_SHIFT;
    if (!::RegisterHotKey(owner, kHotkeyId, modifiers, key))
        return false;
    m_owner = owner;
    m_bRegistered = true;
    return true;
}

void CPickHotkey::Unregister()
{
    if (m_bRegistered)
        ::UnregisterHotKey(m_owner, kHotkeyId);
    m_bRegistered = false;
}

std::string CPickHotkey::NameOf(unsigned hotkey)
{
    const UINT key = LOBYTE(hotkey), flags = HIBYTE(hotkey);
    std::string name;
    if (flags & HOTKEYF_CONTROL)
        name += "Ctrl+";
    if (flags & HOTKEYF_SHIFT)
        name += "Shift+";
    if (flags & HOTKEYF_ALT)
        name += "Alt+";
    char keyName[64] = {};
    LONG scan = static_cast<LONG>(::MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
    if (flags & HOTKEYF_EXT)
        scan |= 1 << 24;
    if (::GetKeyNameTextA(scan, keyName, sizeof keyName) > 0)
        name += keyName;
    else
        name += "key " + std::to_string(key);
    return name;
}
