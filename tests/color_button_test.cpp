#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "decor/color_button.h"
#include "framework/dialog.h"
#include "resource.h"
#include "tests/test_support.h"

namespace {

const COLORREF kFace = RGB(189, 195, 234);
const COLORREF kText = RGB(1, 1, 1);
const COLORREF kDisabled = RGB(109, 115, 170);
const COLORREF kUntouched = RGB(0, 255, 0);
const int kButtonId = 1234;

COLORREF Grey(int g) { return RGB(g, g, g); }

// Exposes the stored colours.
class ProbeButton : public CColorButton {
public:
    using CColorButton::m_crDisabledText;
    using CColorButton::m_crFace;
    using CColorButton::m_crText;
    using CColorButton::m_nBevel;
};

// A 32-bit top-down DIB section in a memory DC, filled with kUntouched.
class Canvas {
public:
    Canvas(int w, int h) : m_w(w), m_h(h)
    {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        m_dc = ::CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        m_bmp = ::CreateDIBSection(m_dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<uint32_t*>(bits);
        if (m_dc && m_bmp)
            m_old = ::SelectObject(m_dc, m_bmp);
        Fill(kUntouched);
    }
    ~Canvas()
    {
        if (m_old)
            ::SelectObject(m_dc, m_old);
        if (m_bmp)
            ::DeleteObject(m_bmp);
        if (m_dc)
            ::DeleteDC(m_dc);
    }
    bool Ok() const { return m_dc && m_bmp && m_bits; }
    HDC Dc() const { return m_dc; }
    void Fill(COLORREF c)
    {
        ::GdiFlush();
        if (m_bits)
            for (int i = 0; i < m_w * m_h; ++i)
                m_bits[i] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
    COLORREF At(int x, int y) const
    {
        ::GdiFlush();
        const uint32_t p = m_bits[y * m_w + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    int m_w, m_h;
    HDC m_dc = nullptr;
    HBITMAP m_bmp = nullptr;
    HGDIOBJ m_old = nullptr;
    uint32_t* m_bits = nullptr;
};

LRESULT CALLBACK PlainParentProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return ::DefWindowProcA(hWnd, msg, wParam, lParam);
}

const char* PlainParentClass()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &PlainParentProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "KavroColorButtonTestParent";
        registered = ::RegisterClassA(&wc) != 0;
    }
    return "KavroColorButtonTestParent";
}

struct Box {
    int left, top, right, bottom;
};

class ColorButtonTest : public ::testing::Test {
protected:
    // The button is drawn at rcItem inside a larger canvas, so anything
    // painted outside it shows.
    static constexpr RECT kItem = {10, 10, 130, 50};

    void SetUp() override
    {
        m_parent = ::CreateWindowExA(0, PlainParentClass(), "parent", WS_OVERLAPPEDWINDOW, 0, 0, 300,
                                     200, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(m_parent, nullptr);
        m_button = ::CreateWindowExA(0, "BUTTON", "Apply", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 10,
                                     10, 120, 40, m_parent,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)),
                                     ::GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(m_button, nullptr);
        ASSERT_TRUE(m_canvas.Ok());
    }
    void TearDown() override
    {
        if (m_parent)
            ::DestroyWindow(m_parent);
    }

    void Attach(int bevel)
    {
        ASSERT_TRUE(m_btn.AttachToDialogItem(kButtonId, m_parent, kFace, kText, kDisabled, bevel));
    }

    void Draw(UINT state)
    {
        m_canvas.Fill(kUntouched);
        DRAWITEMSTRUCT dis = {};
        dis.CtlType = ODT_BUTTON;
        dis.CtlID = kButtonId;
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = state;
        dis.hwndItem = m_button;
        dis.hDC = m_canvas.Dc();
        dis.rcItem = kItem;
        m_btn.DrawItem(&dis);
    }

    COLORREF At(int x, int y) const { return m_canvas.At(kItem.left + x, kItem.top + y); }
    int Width() const { return kItem.right - kItem.left; }
    int Height() const { return kItem.bottom - kItem.top; }

    // Bounding box (button coordinates) of the pixels of one colour inside
    // the button, leaving out `margin` pixels at every edge.
    bool FindColour(COLORREF c, int margin, Box& box, int* count = nullptr) const
    {
        box = {Width(), Height(), -1, -1};
        int n = 0;
        for (int y = margin; y < Height() - margin; ++y)
            for (int x = margin; x < Width() - margin; ++x)
                if (At(x, y) == c) {
                    ++n;
                    box.left = std::min(box.left, x);
                    box.top = std::min(box.top, y);
                    box.right = std::max(box.right, x + 1);
                    box.bottom = std::max(box.bottom, y + 1);
                }
        if (count)
            *count = n;
        return n > 0;
    }

    // Ring `i` (0 outermost): the top and left edges in `topLeft`, the
    // bottom and right edges in `bottomRight`, checked away from the caption.
    void ExpectRing(int i, COLORREF topLeft, COLORREF bottomRight) const
    {
        const int r = Width() - 1 - i, b = Height() - 1 - i;
        EXPECT_EQ(At(i + 3, i), topLeft) << "top edge";
        EXPECT_EQ(At(r - 3, i), topLeft) << "top edge, right end";
        EXPECT_EQ(At(i, i + 3), topLeft) << "left edge";
        EXPECT_EQ(At(i, b - 3), topLeft) << "left edge, bottom end";
        EXPECT_EQ(At(i, b), topLeft) << "bottom-left corner belongs to the left edge";
        EXPECT_EQ(At(r, i), topLeft) << "top-right corner belongs to the top edge";
        EXPECT_EQ(At(i + 3, b), bottomRight) << "bottom edge";
        EXPECT_EQ(At(r - 3, b), bottomRight) << "bottom edge, right end";
        EXPECT_EQ(At(r, i + 3), bottomRight) << "right edge";
        EXPECT_EQ(At(r, b), bottomRight) << "bottom-right corner";
    }

    void ExpectNothingOutside() const
    {
        for (int x = -1; x <= Width(); ++x) {
            EXPECT_EQ(At(x, -1), kUntouched) << "above, x=" << x;
            EXPECT_EQ(At(x, Height()), kUntouched) << "below, x=" << x;
        }
        for (int y = 0; y < Height(); ++y) {
            EXPECT_EQ(At(-1, y), kUntouched) << "left of, y=" << y;
            EXPECT_EQ(At(Width(), y), kUntouched) << "right of, y=" << y;
        }
    }

    HWND m_parent = nullptr;
    HWND m_button = nullptr;
    ProbeButton m_btn;
    Canvas m_canvas{140, 60};
};

constexpr RECT ColorButtonTest::kItem;

TEST_F(ColorButtonTest, BevelRingsFollowWidthAndDirection)
{
    struct Case {
        int bevel;
        COLORREF outerTL, outerBR, innerTL, innerBR;
    } const cases[] = {
        {2, Grey(255), Grey(127), Grey(223), Grey(85)},
        {1, Grey(255), Grey(128), kFace, kFace},
        {0, kFace, kFace, kFace, kFace},
        {-2, Grey(127), Grey(255), Grey(85), RGB(1, 1, 1)},
        {-1, Grey(128), Grey(255), kFace, kFace},
        {3, Grey(255), Grey(127), Grey(223), Grey(85)},
    };
    Attach(2);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "bevel " << c.bevel);
        m_btn.m_nBevel = c.bevel;
        Draw(0);
        ExpectRing(0, c.outerTL, c.outerBR);
        ExpectRing(1, c.innerTL, c.innerBR);
        if (c.bevel == 3)
            ExpectRing(2, Grey(213), Grey(63));
        else
            ExpectRing(2, kFace, kFace);
        ExpectNothingOutside();
    }
}

TEST_F(ColorButtonTest, FaceFilledAndCaptionCentredInTextColour)
{
    Attach(2);
    Draw(0);
    Box core;
    ASSERT_TRUE(FindColour(kText, 2, core)) << "no caption pixels in the text colour";
    // Everything inside the bevel that is not face belongs to the caption
    // (smoothed glyph edges included), centred both ways within the glyphs'
    // own bearings.
    Box ink = {Width(), Height(), -1, -1};
    for (int y = 2; y < Height() - 2; ++y)
        for (int x = 2; x < Width() - 2; ++x)
            if (At(x, y) != kFace) {
                ink.left = std::min(ink.left, x);
                ink.top = std::min(ink.top, y);
                ink.right = std::max(ink.right, x + 1);
                ink.bottom = std::max(ink.bottom, y + 1);
            }
    EXPECT_NEAR((ink.left + ink.right) / 2.0, Width() / 2.0, 3.0);
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, Height() / 2.0, 4.0);
    EXPECT_LT(ink.right - ink.left, Width() / 2) << "one short word, not a smear";
    EXPECT_LT(ink.bottom - ink.top, Height() / 2 + 4);
    EXPECT_GE(core.left, ink.left);
    EXPECT_LE(core.right, ink.right);
}

TEST_F(ColorButtonTest, FocusRectangleIsDottedFourPixelsIn)
{
    Attach(2);
    Draw(0);
    for (int x = 4; x < Width() - 4; ++x)
        ASSERT_EQ(At(x, 4), kFace) << "no focus rectangle without focus, x=" << x;

    Draw(ODS_FOCUS);
    ExpectRing(0, Grey(255), Grey(127));
    ExpectRing(1, Grey(223), Grey(85));
    int marked = 0, plain = 0;
    for (int x = 4; x < Width() - 4; ++x)
        (At(x, 4) == kFace ? plain : marked)++;
    EXPECT_GT(marked, 10) << "top line of the focus rectangle";
    EXPECT_GT(plain, 10) << "the focus rectangle is dotted, not solid";
    int left = 0, right = 0;
    for (int y = 4; y < Height() - 4; ++y) {
        left += At(4, y) != kFace;
        right += At(Width() - 5, y) != kFace;
    }
    EXPECT_GT(left, 3);
    EXPECT_GT(right, 3);
    for (int x = 2; x < Width() - 2; ++x) {
        EXPECT_EQ(At(x, 3), kFace) << "between bevel and focus rectangle, x=" << x;
        EXPECT_EQ(At(x, Height() - 4), kFace) << "x=" << x;
    }
}

TEST_F(ColorButtonTest, PressedLookIsOnePixelSunkenWithCaptionInPlace)
{
    Attach(2);
    Draw(0);
    Box normal;
    ASSERT_TRUE(FindColour(kText, 5, normal));

    Draw(ODS_FOCUS | ODS_SELECTED);
    ExpectRing(0, Grey(128), Grey(255));
    ExpectRing(1, kFace, kFace);
    ExpectNothingOutside();
    Box pressed;
    ASSERT_TRUE(FindColour(kText, 5, pressed));
    EXPECT_EQ(pressed.left, normal.left);
    EXPECT_EQ(pressed.top, normal.top);
    EXPECT_EQ(pressed.right, normal.right);
    EXPECT_EQ(pressed.bottom, normal.bottom);
    // The focus rectangle shows once (drawing it twice would XOR it away).
    int marked = 0;
    for (int x = 4; x < Width() - 4; ++x)
        marked += At(x, 4) != kFace;
    EXPECT_GT(marked, 10);
}

TEST_F(ColorButtonTest, DisabledCaptionInDisabledColour)
{
    Attach(2);
    Draw(0);
    Box normal;
    int normalCount = 0;
    ASSERT_TRUE(FindColour(kText, 2, normal, &normalCount));

    Draw(ODS_DISABLED);
    ExpectRing(0, Grey(255), Grey(127));
    Box disabled;
    int disabledCount = 0;
    ASSERT_TRUE(FindColour(kDisabled, 2, disabled, &disabledCount));
    EXPECT_EQ(disabledCount, normalCount) << "the same glyphs, recoloured";
    EXPECT_EQ(disabled.left, normal.left);
    EXPECT_EQ(disabled.top, normal.top);
    Box stray;
    EXPECT_FALSE(FindColour(kText, 2, stray)) << "no caption pixel left in the enabled colour";
}

TEST_F(ColorButtonTest, DrawingLeavesTheDeviceContextAsFound)
{
    Attach(-2);
    HDC dc = m_canvas.Dc();
    ::SetTextColor(dc, RGB(10, 20, 30));
    ::SetBkMode(dc, OPAQUE);
    HGDIOBJ pen = ::GetCurrentObject(dc, OBJ_PEN);
    HGDIOBJ brush = ::GetCurrentObject(dc, OBJ_BRUSH);
    HGDIOBJ font = ::GetCurrentObject(dc, OBJ_FONT);
    for (UINT state : {0u, UINT(ODS_FOCUS), UINT(ODS_FOCUS | ODS_SELECTED), UINT(ODS_DISABLED)}) {
        SCOPED_TRACE(::testing::Message() << "state " << state);
        Draw(state);
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_PEN), pen);
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), brush);
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_FONT), font);
        EXPECT_EQ(::GetTextColor(dc), RGB(10, 20, 30));
        // The caption leaves the background mode transparent.
        EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);
        ::SetBkMode(dc, OPAQUE);
    }
}

TEST_F(ColorButtonTest, AttachFailsWithoutStoringAnything)
{
    ProbeButton probe;
    const COLORREF text = probe.m_crText, face = probe.m_crFace, dis = probe.m_crDisabledText;
    const int bevel = probe.m_nBevel;

    EXPECT_FALSE(probe.AttachToDialogItem(9999, m_parent, RGB(1, 2, 3), RGB(4, 5, 6), RGB(7, 8, 9), 5));
    EXPECT_EQ(probe.m_hWnd, nullptr);
    EXPECT_EQ(probe.m_crText, text);
    EXPECT_EQ(probe.m_crFace, face);
    EXPECT_EQ(probe.m_crDisabledText, dis);
    EXPECT_EQ(probe.m_nBevel, bevel);

    // A control that already belongs to another button cannot be taken either.
    Attach(2);
    EXPECT_FALSE(probe.AttachToDialogItem(kButtonId, m_parent, RGB(1, 2, 3), RGB(4, 5, 6), RGB(7, 8, 9), 5));
    EXPECT_EQ(probe.m_crFace, face);
    EXPECT_EQ(probe.m_nBevel, bevel);
    EXPECT_EQ(CWindow::FromHandle(m_button), &m_btn);
}

TEST_F(ColorButtonTest, AttachStoresColoursAndSubclasses)
{
    ProbeButton probe;
    ASSERT_TRUE(probe.AttachToDialogItem(kButtonId, m_parent, RGB(1, 2, 3), RGB(4, 5, 6), RGB(7, 8, 9), -3));
    EXPECT_EQ(probe.m_crFace, RGB(1, 2, 3));
    EXPECT_EQ(probe.m_crText, RGB(4, 5, 6));
    EXPECT_EQ(probe.m_crDisabledText, RGB(7, 8, 9));
    EXPECT_EQ(probe.m_nBevel, -3);
    EXPECT_EQ(probe.m_hWnd, m_button);
    EXPECT_EQ(CWindow::FromHandle(m_button), &probe);
    // `probe` goes out of scope here and takes the control with it.
}

TEST_F(ColorButtonTest, DestroyingTheObjectDestroysTheControl)
{
    auto button = std::make_unique<CColorButton>();
    ASSERT_TRUE(button->AttachToDialogItem(kButtonId, m_parent, kFace, kText, kDisabled, 2));
    button.reset();
    EXPECT_FALSE(::IsWindow(m_button));
    EXPECT_EQ(::GetDlgItem(m_parent, kButtonId), nullptr);

    // A control already gone leaves the object with nothing to do.
    HWND second = ::CreateWindowExA(0, "BUTTON", "Second", WS_CHILD | BS_OWNERDRAW, 0, 0, 50, 20, m_parent,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId + 1)),
                                    ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(second, nullptr);
    button = std::make_unique<CColorButton>();
    ASSERT_TRUE(button->AttachToDialogItem(kButtonId + 1, m_parent, kFace, kText, kDisabled, 2));
    ASSERT_TRUE(::DestroyWindow(second));
    EXPECT_EQ(button->m_hWnd, nullptr);
    button.reset();
}

// A dialog from the About box template whose button 1 is a colour button in
// colours of its own.
class CProbeDlg : public CDialog {
public:
    CProbeDlg() : CDialog(IDD_ABOUTBOX) {}
    CColorButton m_btn;
    bool m_bAttached = false;

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        m_bAttached = m_btn.AttachToDialogItem(IDOK, m_hWnd, RGB(200, 40, 40), RGB(1, 1, 1),
                                               RGB(90, 90, 90), 2);
        return TRUE;
    }
};

TEST(ColorButtonDialogTest, ParentPassesDrawItemToTheButton)
{
    CProbeDlg dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    ASSERT_TRUE(dlg.m_bAttached);
    ::ShowWindow(dlg, SW_SHOWNOACTIVATE);
    HWND btn = dlg.Item(IDOK);
    ASSERT_EQ(CWindow::FromHandle(btn), &dlg.m_btn);
    RECT rc;
    ASSERT_TRUE(::GetClientRect(btn, &rc));
    const int w = rc.right, h = rc.bottom;
    ASSERT_GT(w, 20);
    ASSERT_GT(h, 10);

    // The button paints itself into our DC through its parent's WM_DRAWITEM.
    Canvas canvas(w, h);
    ASSERT_TRUE(canvas.Ok());
    ::SendMessageA(btn, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    EXPECT_EQ(canvas.At(3, h / 2), RGB(200, 40, 40));
    EXPECT_EQ(canvas.At(w / 2, 0), Grey(255));
    EXPECT_EQ(canvas.At(0, h / 2), Grey(255));
    EXPECT_EQ(canvas.At(w / 2, h - 1), Grey(127));
    EXPECT_EQ(canvas.At(w - 1, h / 2), Grey(127));
    EXPECT_EQ(canvas.At(w / 2, 1), Grey(223));
    EXPECT_EQ(canvas.At(w - 2, h / 2), Grey(85));

    // And on screen, when the dialog paints.
    ::RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HDC dc = ::GetDC(btn);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(::GetPixel(dc, 3, h / 2), RGB(200, 40, 40));
    EXPECT_EQ(::GetPixel(dc, w / 2, 0), Grey(255));
    EXPECT_EQ(::GetPixel(dc, w - 1, h / 2), Grey(127));
    ::ReleaseDC(btn, dc);
}

}  // namespace
