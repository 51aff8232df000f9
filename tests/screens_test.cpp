// Several monitors: one bitmap spanning the virtual screen, each monitor's picture fitted to it and
// centred in it, the desktop colour elsewhere. Monitor layouts come from a double: Xvfb has one.
#include <windows.h>

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/wallpaper_engine.h"
#include "library/file_tools.h"
#include "library/library.h"
#include "settings/settings.h"
#include "tests/main_window_fixture.h"

using namespace testing_support;

namespace {

const COLORREF kQuarters[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)};

struct Layout : CMonitorLayout {
    std::vector<Monitor> monitors;
    std::vector<Monitor> Monitors() const override { return monitors; }
};

struct SpanDesktop : CWallpaperEngine::Desktop {
    std::string folder;
    bool span = true;
    std::string WindowsFolder() const override { return folder; }
    bool CanSpan() const override { return span; }
};

struct Status : CWallpaperEngine::Reporter {
    std::string line;
    void SetStatusText(const std::string& text) override { line = text; }
    void ShowImageFileStatus(const std::string& message, const std::string& path) override {
        line = message + " Image file : " + path;
    }
    void RepaintNow() override {}
};

class ScreensTest : public ::testing::Test {
protected:
    void SetUp() override {
        driver::ClearWallpaperTraces();
        m_settings.m_strIniPath = m_dir / "Kavro.ini";
        m_desktop.folder = m_dir.Path();
    }
    // A w x h picture whose quarters have the four colours, or one colour.
    std::string Picture(const std::string& name, int w, int h, int colour = -1) {
        const Image image = MakePicture(w, h, [&](int x, int y) {
            return colour >= 0 ? kQuarters[colour] : kQuarters[(y >= h / 2) * 2 + (x >= w / 2)];
        });
        WriteFileBytes(m_dir / name, Encode(image.get(), false));
        return m_dir / name;
    }
    bool Apply(const std::vector<std::string>& paths) {
        CWallpaperEngine engine(m_status, m_settings, m_files, m_desktop, m_layout);
        return engine.ApplyWallpapers(paths);
    }
    // The bitmap's colour at virtual-screen point (x, y).
    COLORREF At(LONG x, LONG y) const {
        const RECT b = CMonitorLayout::Bounds(m_layout.monitors);
        FIBITMAP* bitmap = FreeImage_Load(FIF_BMP, (m_dir / "KavroWallpaper.BMP").c_str(), 0);
        RGBQUAD q = {};
        const bool ok = bitmap && FreeImage_GetPixelColor(bitmap, x - b.left, b.bottom - 1 - y, &q);
        FreeImage_Unload(bitmap);
        return ok ? RGB(q.rgbRed, q.rgbGreen, q.rgbBlue) : CLR_INVALID;
    }
    TempDir m_dir;
    CSettings m_settings;
    CFileTools m_files;
    SpanDesktop m_desktop;
    Layout m_layout;
    Status m_status;
};

// Three monitors as measured with Xephyr (primary 1024x768, a portrait 600x800, 1280x1024), and a layout
// with a monitor left of and above the primary: in P, S and N every monitor shows its fitted picture
// centred, its four quarters where they belong; bars show the desktop colour.
TEST_F(ScreensTest, EachMonitorGetsThePictureFittedToIt)
{
    const std::string photo = Picture("photo.bmp", 1600, 1200);
    const std::vector<CMonitorLayout::Monitor> row = {
        {{0, 0, 1024, 768}, true}, {{1024, 0, 1624, 800}, false}, {{1624, 0, 2904, 1024}, false}};
    const std::vector<CMonitorLayout::Monitor> around = {{{0, 0, 800, 600}, true}, {{-640, -100, 0, 380}, false}};
    // Per monitor, the fitted picture's size (a picture larger than its monitor is cut at its edges).
    const struct { const char* mode; const std::vector<CMonitorLayout::Monitor>* layout; std::vector<SIZE> fitted; }
        cases[] = {
            {"P", &row, {{1024, 768}, {600, 450}, {1280, 960}}},
            {"S", &row, {{1024, 768}, {600, 800}, {1280, 1024}}},
            {"N", &row, {{1600, 1200}, {1600, 1200}, {1600, 1200}}},
            {"P", &around, {{800, 600}, {640, 480}}},
        };
    const COLORREF desktop = ::GetSysColor(COLOR_DESKTOP);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " on " + std::to_string(c.layout->size()) + " monitors");
        m_layout.monitors = *c.layout;
        ::WritePrivateProfileStringA("Kavro", "ResizeType", c.mode, m_settings.m_strIniPath.c_str());
        ASSERT_TRUE(Apply({photo})) << m_status.line;
        const RECT b = CMonitorLayout::Bounds(m_layout.monitors);
        EXPECT_EQ(driver::BitmapSize(m_dir / "KavroWallpaper.BMP"),
                  std::to_string(b.right - b.left) + "x" + std::to_string(b.bottom - b.top));
        EXPECT_EQ(driver::DesktopValue("WallpaperStyle") + driver::DesktopValue("TileWallpaper"), "220");
        for (size_t m = 0; m < c.fitted.size(); ++m) {
            const RECT& r = m_layout.monitors[m].rect;
            const LONG w = std::min<LONG>(c.fitted[m].cx, r.right - r.left), h = std::min<LONG>(c.fitted[m].cy, r.bottom - r.top);
            const LONG left = r.left + (r.right - r.left - w) / 2, top = r.top + (r.bottom - r.top - h) / 2;
            for (int q = 0; q < 4; ++q)
                EXPECT_EQ(At(left + w * (1 + q % 2 * 2) / 4, top + h * (1 + q / 2 * 2) / 4), kQuarters[q])
                    << "monitor " << m << " quarter " << q;
            if (top > r.top) {
                EXPECT_EQ(At(left + w / 2, r.top), desktop) << "monitor " << m << " bar";
            }
        }
    }
    EXPECT_EQ(m_status.line, "Resizing and setting new wallpaper completed successfully. Image file : " + photo);
}

// A picture for each monitor: each shows its own, the titles of screens 2 and on stored beside the
// primary's. Where the system cannot span (Windows 7) the primary's picture alone is fitted to the screen.
TEST_F(ScreensTest, APictureForEachMonitorAndNoSpanOnOlderSystems)
{
    m_layout.monitors = {{{0, 0, 800, 600}, true}, {{800, 0, 1440, 480}, false}, {{1440, 0, 2080, 480}, false}};
    const std::vector<std::string> paths = {Picture("red.bmp", 300, 200, 0), Picture("green.bmp", 300, 200, 1),
                                            Picture("blue.bmp", 300, 200, 2)};
    ASSERT_TRUE(Apply(paths)) << m_status.line;
    EXPECT_EQ(std::vector<COLORREF>({At(400, 300), At(1120, 240), At(1760, 240)}),
              std::vector<COLORREF>({kQuarters[0], kQuarters[1], kQuarters[2]}));
    EXPECT_EQ(m_settings.GetWallpaperTitle(), "red");
    EXPECT_EQ(m_settings.ScreenTitles(), (std::vector<std::string>{"green", "blue"}));
    EXPECT_EQ(m_status.line, "Setting new wallpaper completed successfully. Image file : " + paths[0]);

    m_desktop.span = false;
    ASSERT_TRUE(Apply(paths)) << m_status.line;
    EXPECT_EQ(driver::BitmapSize(m_dir / "KavroWallpaper.BMP"), "300x200");
    EXPECT_EQ(driver::DesktopValue("WallpaperStyle"), "0");
}

// A change of monitors fits the pictures shown now anew from the library, by their titles; a primary
// picture no longer there leaves the wallpaper as it is.
TEST_F(ScreensTest, RefitAfterAChangeOfMonitors)
{
    ::CreateDirectoryA((m_dir / "Wallpaper").c_str(), nullptr);
    Picture("Wallpaper\\Red.bmp", 400, 300, 0);
    Picture("Wallpaper\\green.bmp", 400, 300, 1);
    const CLibrary library(m_dir / "Wallpaper");
    m_settings.SetWallpaperTitle("RED");
    m_settings.SetScreenTitles({"green", "gone"});
    m_layout.monitors = {{{0, 0, 800, 600}, true}, {{800, 0, 1440, 480}, false}, {{1440, 0, 2080, 480}, false}};
    CWallpaperEngine engine(m_status, m_settings, m_files, m_desktop, m_layout);
    ASSERT_TRUE(engine.Refit(library)) << m_status.line;
    EXPECT_EQ(m_status.line, "The screens changed: the wallpaper was fitted to them anew. Image file : " +
                                 (m_dir / "Wallpaper\\Red.bmp"));
    EXPECT_EQ(driver::BitmapSize(m_dir / "KavroWallpaper.BMP"), "2080x600");
    EXPECT_EQ(std::vector<COLORREF>({At(400, 300), At(1120, 240), At(1760, 240)}),
              std::vector<COLORREF>({kQuarters[0], kQuarters[1], kQuarters[0]}));  // "gone" shows the primary's

    m_layout.monitors.resize(1);
    WriteFileBytes(m_dir / "KavroWallpaper.BMP", "as it was");
    m_settings.SetWallpaperTitle("removed");
    EXPECT_FALSE(engine.Refit(library));
    EXPECT_EQ(m_status.line, "The screens changed. The wallpaper's picture is not in the library, so the "
                             "wallpaper stays as it is.");
    EXPECT_EQ(ReadFileBytes(m_dir / "KavroWallpaper.BMP"), "as it was");
}

}  // namespace
