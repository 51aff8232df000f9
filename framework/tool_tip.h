// The tooltips of a dialog: one tip per control, shown for the messages the
// dialog relays to it from its pre-translation.
#pragma once
#include <windows.h>

#include <cstddef>

#include "framework/window.h"

class CToolTip : public CWindow {
public:
    struct Tip {
        int id;  // the control
        const char* text;
    };

    // Makes the tooltip window, owned by the dialog and destroyed with it,
    // with the background colour and one tool per control; texts longer than
    // maxWidth pixels (at 96 DPI) wrap. False when the window cannot be made.
    bool Create(HWND dialog, COLORREF background, const Tip* tips, std::size_t count, int maxWidth);
    template <std::size_t N>
    bool Create(HWND dialog, COLORREF background, const Tip (&tips)[N], int maxWidth)
    {
        return Create(dialog, background, tips, N, maxWidth);
    }

    // Hands a message bound for the dialog or a control to the tooltip.
    void RelayEvent(MSG* msg) const;
};
