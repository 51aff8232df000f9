// Writes a few sample wallpapers (smooth colour fields) into a folder, so a
// newcomer sees a working library at once. Usage: kavro_samples FOLDER
#include <windows.h>

#include <FreeImage.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

struct Sample {
    const char* name;
    int width;
    int height;
    double sky[3];
    double ground[3];
    double sun[3];
};

const Sample kSamples[] = {
    {"sunset.jpg", 1600, 1200, {250, 140, 60}, {60, 30, 70}, {255, 230, 150}},
    {"ocean.jpg", 1920, 1080, {120, 180, 235}, {10, 60, 120}, {255, 255, 220}},
    {"forest.bmp", 800, 600, {170, 210, 170}, {20, 70, 35}, {240, 250, 200}},
    {"aurora.jpg", 2560, 1440, {10, 20, 50}, {20, 150, 110}, {180, 255, 200}},
    {"dunes.jpg", 1024, 768, {235, 200, 140}, {160, 90, 40}, {255, 245, 210}},
};

bool Write(const Sample& s, const std::string& folder)
{
    FIBITMAP* dib = FreeImage_Allocate(s.width, s.height, 24);
    if (!dib)
        return false;
    const double sunX = 0.7 * s.width, sunY = 0.35 * s.height, sunR = 0.08 * s.height;
    for (int y = 0; y < s.height; ++y) {
        BYTE* row = FreeImage_GetScanLine(dib, s.height - 1 - y);
        for (int x = 0; x < s.width; ++x) {
            // A horizon that waves gently, a sky gradient and a soft sun.
            const double horizon = s.height * (0.62 + 0.05 * std::sin(x * 6.28 / s.width * 2.0));
            double t = y < horizon ? y / horizon : 1.0;
            double c[3];
            for (int k = 0; k < 3; ++k)
                c[k] = y < horizon ? s.sky[k] * (1 - 0.4 * t) + s.sun[k] * 0.4 * t * t
                                   : s.ground[k] * (1.0 - 0.5 * (y - horizon) / (s.height - horizon));
            const double d = std::hypot(x - sunX, y - sunY);
            const double glow = d < sunR ? 1.0 : std::exp(-(d - sunR) / (sunR * 1.5)) * 0.6;
            if (y < horizon)
                for (int k = 0; k < 3; ++k)
                    c[k] = c[k] * (1 - glow) + s.sun[k] * glow;
            row[x * 3 + FI_RGBA_RED] = static_cast<BYTE>(std::fmin(255.0, c[0]));
            row[x * 3 + FI_RGBA_GREEN] = static_cast<BYTE>(std::fmin(255.0, c[1]));
            row[x * 3 + FI_RGBA_BLUE] = static_cast<BYTE>(std::fmin(255.0, c[2]));
        }
    }
    const std::string path = folder + "\\" + s.name;
    const bool jpeg = path.find(".jpg") != std::string::npos;
    BOOL ok = jpeg ? FreeImage_Save(FIF_JPEG, dib, path.c_str(), JPEG_QUALITYGOOD)
                   : FreeImage_Save(FIF_BMP, dib, path.c_str(), 0);
    FreeImage_Unload(dib);
    return ok != FALSE;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: kavro_samples FOLDER\n");
        return 2;
    }
    FreeImage_Initialise(TRUE);
    int failures = 0;
    for (const Sample& s : kSamples) {
        const bool ok = Write(s, argv[1]);
        std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "FAILED", s.name, s.width, s.height);
        failures += ok ? 0 : 1;
    }
    FreeImage_DeInitialise();
    return failures ? 1 : 0;
}
