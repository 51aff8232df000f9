#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "decor/about_dlg.h"

namespace {

const COLORREF kFace = RGB(189, 195, 234), kText = RGB(1, 1, 1), kDisabled = RGB(109, 115, 170), kNone = 0;
const int kW = 420, kH = 40;
const RECT kAll = {0, 0, kW, kH};

COLORREF Grey(int g) { return RGB(g, g, g); }
std::vector<COLORREF> Edges(COLORREF tl, COLORREF br) { return {tl, tl, br, br}; }

// The About box's thank-you button, drawn through its dialog into a memory canvas.
class ColorButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_about.Create(nullptr));
        m_dc = ::CreateCompatibleDC(nullptr);
        ::SelectObject(m_dc, m_bitmap = ::CreateBitmap(kW, kH, 1, 32, nullptr));
    }
    void TearDown() override { ::DeleteDC(m_dc), ::DeleteObject(m_bitmap); }

    void Clear() const { ::PatBlt(m_dc, 0, 0, kW, kH, BLACKNESS); }
    void Draw(UINT state)
    {
        Clear();
        DRAWITEMSTRUCT dis = {ODT_BUTTON, IDOK, 0, ODA_DRAWENTIRE, state, m_about.Item(IDOK), m_dc, kAll, 0};
        ::SendMessageA(m_about, WM_DRAWITEM, IDOK, reinterpret_cast<LPARAM>(&dis));
    }
    COLORREF At(int x, int y) const { return ::GetPixel(m_dc, x, y); }
    std::vector<COLORREF> Ring(int i) const { return {At(9, i), At(i, 9), At(9, kH - 1 - i), At(kW - 1 - i, 9)}; }
    // How often a colour shows in `r` (by default inside the focus rectangle), and where first.
    std::pair<int, int> Find(COLORREF c, RECT r = {5, 5, kW - 5, kH - 5}) const
    {
        std::pair<int, int> found(0, -1);
        const int w = r.right - r.left;
        for (int i = 0; i < w * (r.bottom - r.top); ++i)
            if (At(r.left + i % w, r.top + i / w) == c && !found.first++)
                found.second = i;
        return found;
    }

    CAboutDlg m_about;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
};

TEST_F(ColorButtonTest, BevelRingsByWidth)
{
    struct Case { int width; COLORREF outerTL, outerBR, innerTL, innerBR; };
    const Case cases[] = {
        {2, Grey(255), Grey(127), Grey(223), Grey(85)},
        {1, Grey(255), Grey(128), kNone, kNone},
        {0, kNone, kNone, kNone, kNone},
        {-1, Grey(128), Grey(255), kNone, kNone},
    };
    for (const Case& c : cases) {
        Clear();
        CColorButton::DrawFrame(m_dc, kAll, c.width);
        EXPECT_EQ(Ring(0), Edges(c.outerTL, c.outerBR)) << "width " << c.width;
        EXPECT_EQ(Ring(1), Edges(c.innerTL, c.innerBR)) << "width " << c.width;
    }
}

TEST_F(ColorButtonTest, NormalFocusedPressedAndDisabledLooks)
{
    struct Look { UINT state; std::vector<COLORREF> outer, inner; COLORREF caption; bool focus; };
    const Look looks[] = {
        {0, Edges(Grey(255), Grey(127)), Edges(Grey(223), Grey(85)), kText, false},
        {ODS_FOCUS, Edges(Grey(255), Grey(127)), Edges(Grey(223), Grey(85)), kText, true},
        {ODS_FOCUS | ODS_SELECTED, Edges(Grey(128), Grey(255)), Edges(kFace, kFace), kText, true},
        {ODS_DISABLED, Edges(Grey(255), Grey(127)), Edges(Grey(223), Grey(85)), kDisabled, false},
    };
    Draw(0);
    const std::pair<int, int> caption = Find(kText);
    ASSERT_GT(caption.first, 10);
    for (const Look& look : looks) {
        Draw(look.state);
        EXPECT_EQ(Ring(0), look.outer) << "state " << look.state;
        EXPECT_EQ(Ring(1), look.inner) << "state " << look.state;
        EXPECT_EQ(Find(look.caption), caption) << "the same glyphs in the same place, state " << look.state;
        // A dotted focus rectangle 4 pixels in; drawn twice it would XOR away.
        const int marks = kW - 8 - Find(kFace, {4, 4, kW - 4, 5}).first;
        EXPECT_TRUE(look.focus ? marks > 10 && marks < kW - 18 : marks == 0) << marks << ", state " << look.state;
    }
}

TEST_F(ColorButtonTest, AttachFailsOnAMissingControl)
{
    CColorButton other;
    EXPECT_FALSE(other.AttachToDialogItem(9999, m_about, kFace, kText, kDisabled, 2));
    EXPECT_EQ(other.m_hWnd, nullptr);
}

}  // namespace
