#include <windows.h>

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <vector>

#include "engine/image_tools.h"
#include "library/preview_dlg.h"
#include "tests/main_window_fixture.h"

using namespace testing_support;

namespace {

// The preview as the program makes it: the main window's, shown from the tray.
class PreviewDlgTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        AddImage("big.jpg", 1600, 1200);
        AddImage("small.jpg", 40, 30);
        StartShown();
        m_preview = Preview();
        ASSERT_TRUE(m_preview);
    }
    bool Shown() const { return ::IsWindowVisible(m_preview->m_hWnd) != FALSE; }
    std::string Info() const { return WindowText(m_preview->Item(IDC_PREVIEW_INFO)); }
    std::pair<LONG, LONG> BitmapSize() const
    {
        BITMAP bm = {};
        ::GetObjectA(PreviewPicture(), sizeof bm, &bm);
        return {bm.bmWidth, bm.bmHeight};
    }
    CPreviewDlg* m_preview = nullptr;
};

// Beside the main window (against its right edge, bottom edges level) also once that moves; Escape
// there asks nothing; a click hands the focus back to the list; a selection of two hides it.
TEST_F(PreviewDlgTest, ShowsTheSelectionBesideTheMainWindowIgnoresEscapeAndHandsOnTheFocus)
{
    RECT area = {}, main = {}, preview = {};
    ::GetClientRect(m_preview->Item(IDC_PREVIEW_PICTURE), &area);
    const RECT fit = CImageTools::FitRect(1600, 1200, area.right, area.bottom);
    SelectRows({RowOf("big.jpg")});
    ASSERT_TRUE(Shown());
    EXPECT_EQ(BitmapSize(), std::make_pair(fit.right, fit.bottom));
    EXPECT_EQ(Info(), "Resolution : 1600 x 1200 : 24");
    ::GetWindowRect(Dlg(), &main);
    ::SetWindowPos(Dlg(), nullptr, main.left + 40, main.top + 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Pump(50);
    ::GetWindowRect(Dlg(), &main);
    ::GetWindowRect(m_preview->m_hWnd, &preview);
    EXPECT_EQ(preview.left, main.right);
    EXPECT_EQ(preview.bottom, main.bottom);

    AnswerNextDialog(CWinApp::Instance()->AppName(), IDNO);  // the main window's exit question
    PressKey(m_preview->Item(IDC_PREVIEW_INFO), VK_ESCAPE);
    EXPECT_FALSE(DialogAnswered()) << "Escape in the preview asked to exit";
    EXPECT_TRUE(Shown());
    ::SetFocus(Ctrl(IDC_HIDE));
    ::PostMessageA(m_preview->Item(IDC_PREVIEW_INFO), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::PostMessageA(m_preview->Item(IDC_PREVIEW_INFO), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(PumpUntil([&] { return ::GetFocus() == ListHwnd(); }, 2000));

    SelectRows({RowOf("small.jpg")});  // smaller than the area: not enlarged
    EXPECT_EQ(BitmapSize(), std::make_pair(40L, 30L));
    SelectRows({0, 1});
    EXPECT_FALSE(Shown());
}

TEST_F(PreviewDlgTest, ShrinkingKeepsTheColoursAndAFailedLoadKeepsThePicture)
{
    const COLORREF stripes[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)};
    WriteFileBytes(m_dir / "stripes.bmp", Encode(MakePicture(1600, 400, [&](int x, int) { return stripes[x % 4]; }).get(), false));
    ASSERT_TRUE(m_preview->LoadPreviewImage(m_dir / "stripes.bmp"));
    const HBITMAP shown = PreviewPicture();
    std::vector<BYTE> bgra(4 * BitmapSize().first * BitmapSize().second);  // the display's 32-bit format
    ASSERT_EQ(::GetBitmapBits(shown, static_cast<LONG>(bgra.size()), bgra.data()), static_cast<LONG>(bgra.size()));
    for (size_t i = 0; i < bgra.size(); i += 4)  // ANDed (the default stretch mode) they turn black
        ASSERT_GE(bgra[i] + bgra[i + 1] + bgra[i + 2], 192) << "pixel " << i / 4;

    WriteFileBytes(m_dir / "cut.jpg", ReadFileBytes(LibraryFile("big.jpg")).substr(0, 20));
    for (const char* name : {"cut.jpg", "missing.bmp"}) {
        EXPECT_FALSE(m_preview->LoadPreviewImage(m_dir / name)) << name;
        EXPECT_EQ(PreviewPicture(), shown);
        EXPECT_EQ(Info(), "Resolution : 1600 x 400 : 24");
    }
    // The file shown is not decoded again, unless it changed on disk.
    ASSERT_TRUE(MakeImageFile(m_dir / "stripes.bmp", 300, 200));
    EXPECT_TRUE(m_preview->LoadPreviewImage(m_dir / "stripes.bmp"));
    EXPECT_EQ(Info(), "Resolution : 300 x 200 : 24");
}

}  // namespace
