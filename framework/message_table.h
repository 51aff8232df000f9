// Table-driven message routing for dialog classes: each dialog lists the
// messages, commands and notifications it handles, and Dispatch walks the
// table in order and calls the first matching member.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <cstddef>

template <class T>
struct MessageEntry {
    enum Kind { kMessage, kCommand, kNotify };
    static constexpr UINT kAnyId = 0xFFFFFFFFu;
    static constexpr UINT kAnyCommand = 0xFFFFFFFFu;  // code of Command entries

    Kind kind;
    UINT code;  // window message, or the control notification code
    UINT id;    // control or command id, or kAnyId
    LRESULT (T::*onMessage)(WPARAM, LPARAM);
    void (T::*onCommand)();
    LRESULT (T::*onNotify)(NMHDR*);

    // Any message; the handler's result is the message result.
    static constexpr MessageEntry Message(UINT msg, LRESULT (T::*fn)(WPARAM, LPARAM)) {
        return {kMessage, msg, kAnyId, fn, nullptr, nullptr};
    }
    // WM_COMMAND from a menu item or a button click (code 0) or an
    // accelerator (code 1), matched on the id. A button's other
    // notifications, such as an owner-drawn button's double click, are not
    // commands: they would run it twice.
    static constexpr MessageEntry Command(UINT id, void (T::*fn)()) {
        return {kCommand, kAnyCommand, id, nullptr, fn, nullptr};
    }
    // WM_COMMAND with a control notification code (EN_SETFOCUS and the like).
    static constexpr MessageEntry Control(UINT code, UINT id, void (T::*fn)()) {
        return {kCommand, code, id, nullptr, fn, nullptr};
    }
    // WM_NOTIFY; the handler's result is the notification result.
    static constexpr MessageEntry Notify(UINT code, UINT id, LRESULT (T::*fn)(NMHDR*)) {
        return {kNotify, code, id, nullptr, nullptr, fn};
    }
};

template <class T, std::size_t N>
bool DispatchMessageTable(T* self, const MessageEntry<T> (&table)[N],
                          UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    using Entry = MessageEntry<T>;
    for (const Entry& e : table) {
        switch (e.kind) {
        case Entry::kMessage:
            if (e.code == msg) {
                result = (self->*e.onMessage)(wParam, lParam);
                return true;
            }
            break;
        case Entry::kCommand:
            if (msg == WM_COMMAND && (e.id == Entry::kAnyId || e.id == LOWORD(wParam)) &&
                (e.code == HIWORD(wParam) ||
                 (e.code == Entry::kAnyCommand && (HIWORD(wParam) == 0 || HIWORD(wParam) == 1)))) {
                (self->*e.onCommand)();
                result = 0;
                return true;
            }
            break;
        case Entry::kNotify:
            if (msg == WM_NOTIFY) {
                NMHDR* hdr = reinterpret_cast<NMHDR*>(lParam);
                if (hdr && e.code == hdr->code &&
                    (e.id == Entry::kAnyId || e.id == static_cast<UINT>(hdr->idFrom))) {
                    result = (self->*e.onNotify)(hdr);
                    return true;
                }
            }
            break;
        }
    }
    return false;
}
