#include <windows.h>

#include <gtest/gtest.h>

#include "decor/about_dlg.h"

namespace {

const COLORREF kFace = RGB(189, 195, 234), kText = RGB(1, 1, 1), kDisabled = RGB(109, 115, 170);  // the About box's
const int kW = 420, kH = 40;

// The About box's thank-you button, drawn through its dialog into a memory canvas.
class ColorButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_about.Create(nullptr));
        ::SelectObject(m_dc, m_bitmap);
    }
    void TearDown() override { ::DeleteDC(m_dc), ::DeleteObject(m_bitmap); }

    void Draw(UINT state)
    {
        ::PatBlt(m_dc, 0, 0, kW, kH, BLACKNESS);
        DRAWITEMSTRUCT dis = {ODT_BUTTON, IDOK, 0, ODA_DRAWENTIRE, state, m_about.Item(IDOK), m_dc, {0, 0, kW, kH}, 0};
        ::SendMessageA(m_about, WM_DRAWITEM, IDOK, reinterpret_cast<LPARAM>(&dis));
    }
    int Brightness(int x, int y) const
    {
        const COLORREF c = ::GetPixel(m_dc, x, y);
        return GetRValue(c) + GetGValue(c) + GetBValue(c);
    }
    int Count(COLORREF c, int top, int bottom) const  // pixels of colour c in rows [top, bottom), inside x 4..kW-4
    {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 4; x < kW - 4; ++x)
                n += ::GetPixel(m_dc, x, y) == c;
        return n;
    }

    CAboutDlg m_about;
    HDC m_dc = ::CreateCompatibleDC(nullptr);
    HBITMAP m_bitmap = ::CreateBitmap(kW, kH, 1, 32, nullptr);
};

// Raised unless pressed; the caption in its colour; one dotted focus rectangle 4 pixels in
// (drawn twice it would XOR away).
TEST_F(ColorButtonTest, NormalFocusedPressedAndDisabledLooks)
{
    const struct { UINT state; bool raised; COLORREF caption; bool focus; } looks[] = {
        {0, true, kText, false}, {ODS_FOCUS, true, kText, true},
        {ODS_FOCUS | ODS_SELECTED, false, kText, true}, {ODS_DISABLED, true, kDisabled, false},
    };
    for (const auto& look : looks) {
        SCOPED_TRACE(look.state);
        Draw(look.state);
        EXPECT_EQ(Brightness(9, 0) > Brightness(9, kH - 1), look.raised);
        EXPECT_GT(Count(look.caption, 6, kH - 6), 10);
        const int marks = kW - 8 - Count(kFace, 4, 5);
        EXPECT_EQ(marks > 10 && marks < kW - 18, look.focus) << marks;
        EXPECT_TRUE(look.focus || marks == 0) << marks;
    }
}

}  // namespace
