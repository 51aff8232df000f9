#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "decor/about_dlg.h"
#include "decor/color_button.h"
#include "tests/test_support.h"

namespace {

const char kCaption[] = "Kavro Wallpaper Version 2.75";
const COLORREF kBackground = RGB(109, 115, 170);
const COLORREF kButtonFace = RGB(189, 195, 234);
const INT_PTR kWatchdogResult = 4242;

// Runs an action once the About box is on screen (from a thread timer, so
// it works inside the modal loop), and ends a box the action failed to
// close after a while so that a fault cannot hang the run.
struct OpenBoxProbe {
    std::function<void(HWND)> action;
    UINT_PTR timer = 0;
    HWND dlg = nullptr;
    DWORD actedAt = 0;
    bool acted = false;
};
OpenBoxProbe g_probe;

BOOL CALLBACK FindAboutBox(HWND hWnd, LPARAM lParam)
{
    char cls[64] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    // The caption is checked by the tests, so a wrong one fails instead of
    // leaving the box open.
    if (std::string(cls) == "#32770" && ::IsWindowVisible(hWnd)) {
        *reinterpret_cast<HWND*>(lParam) = hWnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK ProbeTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_probe.acted) {
        if (::IsWindow(g_probe.dlg) && ::GetTickCount() - g_probe.actedAt > 5000)
            ::EndDialog(g_probe.dlg, kWatchdogResult);
        return;
    }
    HWND dlg = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindAboutBox, reinterpret_cast<LPARAM>(&dlg));
    if (!dlg)
        return;
    g_probe.dlg = dlg;
    g_probe.acted = true;
    g_probe.actedAt = ::GetTickCount();
    auto action = std::move(g_probe.action);
    action(dlg);
}

// Opens a fresh About box modally, as the main window does, and returns the
// modal result; `whileOpen` must close it.
INT_PTR RunAboutBox(std::function<void(HWND)> whileOpen, HWND owner = nullptr, HWND* seen = nullptr)
{
    g_probe = OpenBoxProbe();
    g_probe.action = std::move(whileOpen);
    g_probe.timer = ::SetTimer(nullptr, 0, 50, &ProbeTimer);
    INT_PTR result;
    {
        CAboutDlg box;
        result = box.DoModal(owner);
    }
    ::KillTimer(nullptr, g_probe.timer);
    g_probe.timer = 0;
    EXPECT_TRUE(g_probe.acted) << "the About box never showed";
    EXPECT_NE(result, kWatchdogResult) << "the About box did not close";
    if (seen)
        *seen = g_probe.dlg;
    return result;
}

HBRUSH SendCtlColor(HWND dlg, UINT msg, HDC dc, HWND control)
{
    return reinterpret_cast<HBRUSH>(::SendMessageA(dlg, msg, reinterpret_cast<WPARAM>(dc),
                                                   reinterpret_cast<LPARAM>(control)));
}

COLORREF BrushColour(HBRUSH brush)
{
    LOGBRUSH lb = {};
    if (!brush || ::GetObjectA(brush, sizeof lb, &lb) != sizeof lb || lb.lbStyle != BS_SOLID)
        return CLR_INVALID;
    return lb.lbColor;
}

HWND FindStatic(HWND dlg, const char* text)
{
    for (HWND c = ::GetWindow(dlg, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
        if (testing_support::WindowText(c) == text)
            return c;
    return nullptr;
}

TEST(AboutDlgTest, ThankYouButtonClosesWithOkAndReleasesTheOwner)
{
    HWND owner = ::CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                   nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    bool ownerDisabled = false;
    std::string caption;
    bool colourButton = false;
    HWND box = nullptr;
    const INT_PTR result = RunAboutBox(
        [&](HWND dlg) {
            ownerDisabled = !::IsWindowEnabled(owner);
            caption = testing_support::WindowText(dlg);
            HWND ok = ::GetDlgItem(dlg, IDOK);
            colourButton = dynamic_cast<CColorButton*>(CWindow::FromHandle(ok)) != nullptr;
            ::SendMessageA(ok, BM_CLICK, 0, 0);
        },
        owner, &box);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(caption, kCaption);
    EXPECT_TRUE(ownerDisabled) << "the owner is disabled while the box is open";
    EXPECT_TRUE(colourButton) << "control 1 is a colour button";
    EXPECT_FALSE(::IsWindow(box));
    EXPECT_TRUE(::IsWindowEnabled(owner));
    ::DestroyWindow(owner);
}

TEST(AboutDlgTest, CloseBoxAndEscapeCloseWithCancel)
{
    HWND box = nullptr;
    INT_PTR result = RunAboutBox(
        [](HWND dlg) { ::PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0); }, nullptr, &box);
    EXPECT_EQ(result, IDCANCEL) << "close box";
    EXPECT_FALSE(::IsWindow(box));

    result = RunAboutBox([](HWND dlg) { ::PostMessageA(dlg, WM_CLOSE, 0, 0); }, nullptr, &box);
    EXPECT_EQ(result, IDCANCEL) << "WM_CLOSE";
    EXPECT_FALSE(::IsWindow(box));

    HWND focused = nullptr;
    result = RunAboutBox(
        [&](HWND dlg) {
            focused = ::GetFocus();
            HWND target = (focused && ::IsChild(dlg, focused)) ? focused : ::GetDlgItem(dlg, IDOK);
            ::PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            ::PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
        },
        nullptr, &box);
    EXPECT_EQ(result, IDCANCEL) << "Escape";
    EXPECT_FALSE(::IsWindow(box));
}

TEST(AboutDlgTest, BackgroundAndButtonColours)
{
    HBRUSH firstBrush = nullptr;
    for (int opening = 0; opening < 2; ++opening) {
        SCOPED_TRACE(::testing::Message() << "opening " << opening + 1);
        const INT_PTR result = RunAboutBox([&](HWND dlg) {
            ::RedrawWindow(dlg, nullptr, nullptr,
                           RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);

            // What the user sees: the background right of the texts and the
            // thank-you button's light face inside its bevel.
            RECT client;
            ASSERT_TRUE(::GetClientRect(dlg, &client));
            HDC dc = ::GetDC(dlg);
            ASSERT_NE(dc, nullptr);
            EXPECT_EQ(::GetPixel(dc, client.right - 3, 3), kBackground);
            EXPECT_EQ(::GetPixel(dc, client.right / 2, client.bottom - 2), kBackground);
            ::ReleaseDC(dlg, dc);

            HWND ok = ::GetDlgItem(dlg, IDOK);
            RECT rc;
            ASSERT_TRUE(::GetClientRect(ok, &rc));
            dc = ::GetDC(ok);
            ASSERT_NE(dc, nullptr);
            EXPECT_EQ(::GetPixel(dc, 3, rc.bottom / 2), kButtonFace);
            EXPECT_EQ(::GetPixel(dc, 0, rc.bottom / 2), RGB(255, 255, 255));
            EXPECT_EQ(::GetPixel(dc, rc.right - 1, rc.bottom / 2), RGB(127, 127, 127));
            ::ReleaseDC(ok, dc);

            // The brush behind it: one solid brush for the dialog and its
            // statics, with transparent text backgrounds; buttons keep the
            // default.
            HDC mem = ::CreateCompatibleDC(nullptr);
            ASSERT_NE(mem, nullptr);
            ::SetBkMode(mem, OPAQUE);
            HBRUSH dlgBrush = SendCtlColor(dlg, WM_CTLCOLORDLG, mem, dlg);
            EXPECT_EQ(BrushColour(dlgBrush), kBackground);
            EXPECT_EQ(::GetBkMode(mem), TRANSPARENT);

            HWND group = FindStatic(dlg, "ADDRESS");
            HWND icon = ::GetWindow(dlg, GW_CHILD);  // the icon static
            ASSERT_NE(group, nullptr);
            ASSERT_NE(icon, nullptr);
            ::SetBkMode(mem, OPAQUE);
            EXPECT_EQ(SendCtlColor(dlg, WM_CTLCOLORSTATIC, mem, icon), dlgBrush);
            EXPECT_EQ(::GetBkMode(mem), TRANSPARENT);
            EXPECT_EQ(SendCtlColor(dlg, WM_CTLCOLORSTATIC, mem, group), dlgBrush);

            ::SetBkMode(mem, OPAQUE);
            EXPECT_NE(SendCtlColor(dlg, WM_CTLCOLORBTN, mem, ok), dlgBrush);
            EXPECT_EQ(::GetBkMode(mem), OPAQUE);
            ::DeleteDC(mem);

            if (opening == 0)
                firstBrush = dlgBrush;
            else
                EXPECT_EQ(dlgBrush, firstBrush) << "the background brush is kept between openings";
            ::SendMessageA(ok, BM_CLICK, 0, 0);
        });
        EXPECT_EQ(result, IDOK);
    }
    EXPECT_EQ(BrushColour(firstBrush), kBackground) << "the brush outlives the box";
}

}  // namespace
