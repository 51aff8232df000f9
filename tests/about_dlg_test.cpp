#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "decor/about_dlg.h"
#include "tests/test_support.h"

namespace {

using namespace testing_support;

// A fresh box run modally over an owner, as the main window does; `close` acts once it shows.
TEST(AboutDlgTest, ModalOverItsOwnerAndThreeWaysToClose)
{
    const std::pair<std::function<void(HWND)>, INT_PTR> ways[] = {
        {[](HWND dlg) { ::PostMessageA(::GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0); }, IDOK},
        {[](HWND dlg) { ::PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL},
        {[](HWND dlg) {
             HWND focus = ::IsChild(dlg, ::GetFocus()) ? ::GetFocus() : ::GetDlgItem(dlg, IDOK);
             ::PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
         }, IDCANCEL},
    };
    for (const auto& way : ways) {
        HWND owner = ::CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
        DialogWatchdog watchdog(3000);
        bool ownerDisabled = false;
        OnNextDialog("Kavro Wallpaper Version " KAVRO_VERSION, [&](HWND dlg) {
            ownerDisabled = !::IsWindowEnabled(owner);
            way.first(dlg);
        });
        EXPECT_EQ(CAboutDlg().DoModal(owner), way.second);
        EXPECT_TRUE(DialogAnswered() && ownerDisabled && ::IsWindowEnabled(owner));
        EXPECT_TRUE(watchdog.Closed().empty()) << "the box did not close";
        CancelAnswer();
        ::DestroyWindow(owner);
    }
}

}  // namespace
