#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "decor/about_dlg.h"
#include "tests/test_support.h"

namespace {

using namespace testing_support;

const char kCaption[] = "Kavro Wallpaper Version " KAVRO_VERSION;

// Runs a fresh box modally over an owner, as the main window does; `whileOpen`
// acts once it shows under its caption. The watchdog closes a box left open.
INT_PTR RunAboutBox(std::function<void(HWND)> whileOpen)
{
    HWND owner = ::CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    DialogWatchdog watchdog(3000);
    OnNextDialog(kCaption, [&](HWND dlg) {
        EXPECT_FALSE(::IsWindowEnabled(owner));
        whileOpen(dlg);
    });
    const INT_PTR result = CAboutDlg().DoModal(owner);
    EXPECT_TRUE(DialogAnswered()) << "no box captioned " << kCaption;
    EXPECT_TRUE(watchdog.Closed().empty()) << "the box did not close";
    EXPECT_TRUE(::IsWindowEnabled(owner));
    CancelAnswer();
    ::DestroyWindow(owner);
    return result;
}

TEST(AboutDlgTest, LightButtonOnDarkBackgroundAndThreeWaysToClose)
{
    COLORREF background = 0, face = 0;
    EXPECT_EQ(RunAboutBox([&](HWND dlg) {
                  ::RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
                  HWND ok = ::GetDlgItem(dlg, IDOK);
                  HDC dc = ::GetDC(dlg), okDc = ::GetDC(ok);
                  background = ::GetPixel(dc, 3, 3);
                  face = ::GetPixel(okDc, 3, 3);
                  ::ReleaseDC(dlg, dc), ::ReleaseDC(ok, okDc);
                  ::SendMessageA(ok, BM_CLICK, 0, 0);
              }),
              IDOK);
    EXPECT_EQ(background, RGB(109, 115, 170));
    EXPECT_EQ(face, RGB(189, 195, 234));

    EXPECT_EQ(RunAboutBox([](HWND dlg) { ::PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0); }), IDCANCEL);
    EXPECT_EQ(RunAboutBox([](HWND dlg) {
                  HWND focus = ::IsChild(dlg, ::GetFocus()) ? ::GetFocus() : ::GetDlgItem(dlg, IDOK);
                  ::PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
              }),
              IDCANCEL);
}

}  // namespace
