// Seed corpora for scripts/fuzz.sh: small valid pictures of every kind the
// program reads, written into DIR/jpeg and DIR/bmp. JPEGs come from
// FreeImage's encoder (then EXIF, comment and thumbnail blocks are spliced
// in); BMPs are written byte by byte, as FreeImage writes few of the layouts.
#include <cstdio>
#include <string>
#include <vector>

#include <FreeImage.h>

namespace {

std::string Le(unsigned long v, int bytes)
{
    std::string s;
    for (int i = 0; i < bytes; ++i)
        s += char(v >> (8 * i));
    return s;
}
std::string Be16(unsigned v) { return {char(v >> 8), char(v)}; }

bool Write(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// Four coloured quarters and a diagonal, so turns and flips show.
unsigned Colour(int x, int y, int w, int h)
{
    static const unsigned quarters[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    return x == y ? 0x808080 : quarters[(y >= h / 2) * 2 + (x >= w / 2)];
}

std::string Jpeg(int w, int h, bool grey, int flags)
{
    FIBITMAP* dib = FreeImage_Allocate(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned c = Colour(x, y, w, h);
            RGBQUAD q = {BYTE(c), BYTE(c >> 8), BYTE(c >> 16), 0};
            FreeImage_SetPixelColor(dib, x, h - 1 - y, &q);
        }
    if (grey) {
        FIBITMAP* g = FreeImage_ConvertToGreyscale(dib);
        FreeImage_Unload(dib);
        dib = g;
    }
    FIMEMORY* mem = FreeImage_OpenMemory();
    std::string out;
    BYTE* bytes = nullptr;
    DWORD n = 0;
    if (FreeImage_SaveToMemory(FIF_JPEG, dib, mem, flags) && FreeImage_AcquireMemory(mem, &bytes, &n))
        out.assign(reinterpret_cast<char*>(bytes), n);
    FreeImage_CloseMemory(mem);
    FreeImage_Unload(dib);
    return out;
}

std::string Block(int marker, const std::string& body)
{
    return std::string{char(0xFF), char(marker)} + Be16(unsigned(body.size() + 2)) + body;
}

// An APP1 with a little-endian TIFF directory: Orientation as a SHORT, and
// optionally an IFD1 pointing at an embedded JPEG thumbnail.
std::string Exif(int orientation, const std::string& thumbnail = "")
{
    std::string tiff = "II" + Le(42, 2) + Le(8, 4);
    tiff += Le(1, 2) + Le(0x112, 2) + Le(3, 2) + Le(1, 4) + Le(orientation, 4);
    const unsigned ifd1 = thumbnail.empty() ? 0 : 8 + 2 + 12 + 4;
    tiff += Le(ifd1, 4);
    if (!thumbnail.empty()) {
        const unsigned at = ifd1 + 2 + 2 * 12 + 4;
        tiff += Le(2, 2) + Le(0x201, 2) + Le(4, 2) + Le(1, 4) + Le(at, 4) + Le(0x202, 2) + Le(4, 2) + Le(1, 4) +
                Le(unsigned(thumbnail.size()), 4) + Le(0, 4) + thumbnail;
    }
    return Block(0xE1, std::string("Exif\0\0", 6) + tiff);
}

std::string AfterSoi(const std::string& jpeg, const std::string& blocks) { return jpeg.substr(0, 2) + blocks + jpeg.substr(2); }

// A BMP of any depth and layout: header 12 (OS/2), 40, 52, 56, 108 or 124.
std::string Bmp(int bpp, unsigned compression, unsigned header, bool topDown, int w, int h)
{
    const bool indexed = bpp <= 8, os2 = header == 12;
    std::vector<unsigned> palette;
    if (indexed)
        for (unsigned i = 0; i < (1u << bpp); ++i)
            palette.push_back(i % 4 == 0 ? 0xFF0000 : i % 4 == 1 ? 0x00FF00 : i % 4 == 2 ? 0x0000FF : 0xFFFFFF);
    const auto index = [&](int x, int y) { return unsigned(((y >= h / 2) * 2 + (x >= w / 2)) % (1u << (bpp < 2 ? 1 : 2))); };
    std::string pixels;
    for (int r = 0; r < h; ++r) {
        const int y = topDown ? r : h - 1 - r;
        std::string row;
        if (compression == 1 || compression == 2) {  // RLE8, RLE4: runs of one index
            for (int x = 0; x < w;) {
                const unsigned i = index(x, y);
                int n = 0;
                while (x + n < w && n < 255 && index(x + n, y) == i)
                    ++n;
                row += std::string{char(n), char(compression == 1 ? i : (i << 4 | i))};
                x += n;
            }
            row += std::string(2, '\0');
            if (r == h - 1)
                row += std::string("\0\1", 2);
        } else {
            unsigned bits = 0, used = 0;
            for (int x = 0; x < w; ++x) {
                const unsigned c = Colour(x, y, w, h);
                if (indexed) {
                    bits = bits << bpp | index(x, y);
                    if ((used += bpp) == 8) {
                        row += char(bits);
                        bits = used = 0;
                    }
                } else if (bpp == 16) {
                    const unsigned r8 = c >> 16 & 255, g8 = c >> 8 & 255, b8 = c & 255;
                    row += Le(compression == 3 ? (r8 >> 3) << 11 | (g8 >> 2) << 5 | b8 >> 3
                                               : (r8 >> 3) << 10 | (g8 >> 3) << 5 | b8 >> 3, 2);
                } else {
                    row += Le(c | 0xFF000000u, bpp / 8);
                }
            }
            if (used)
                row += char(bits << (8 - used));
            row.resize((row.size() + 3) & ~size_t(3), '\0');
        }
        pixels += row;
    }
    std::string info;
    if (os2) {
        info = Le(12, 4) + Le(w, 2) + Le(h, 2) + Le(1, 2) + Le(bpp, 2);
    } else {
        info = Le(header, 4) + Le(w, 4) + Le(topDown ? -h : h, 4) + Le(1, 2) + Le(bpp, 2) + Le(compression, 4) +
               Le(unsigned(pixels.size()), 4) + Le(2835, 4) + Le(2835, 4) + Le(0, 4) + Le(0, 4);
        const std::string masks = bpp == 16 ? Le(0xF800, 4) + Le(0x07E0, 4) + Le(0x1F, 4)
                                            : Le(0xFF0000, 4) + Le(0xFF00, 4) + Le(0xFF, 4);
        if (header > 40)
            info += compression == 3 ? masks : std::string(12, '\0');
        if (header > 52)
            info += Le(compression == 3 && bpp == 32 ? 0xFF000000u : 0, 4) + Le(0x73524742, 4);
        info.resize(header, '\0');
        if (compression == 3 && header == 40)
            info += masks;
    }
    for (unsigned c : palette)
        info += os2 ? Le(c, 3) : Le(c, 4);
    const unsigned offset = 14 + unsigned(info.size());
    return "BM" + Le(offset + unsigned(pixels.size()), 4) + Le(0, 4) + Le(offset, 4) + info + pixels;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR (writes DIR/jpeg/* and DIR/bmp/*)\n", argv[0]);
        return 2;
    }
    FreeImage_Initialise(TRUE);
    const std::string dir = argv[1];
    int written = 0, failed = 0;
    const auto put = [&](const std::string& name, const std::string& bytes) {
        (!bytes.empty() && Write(dir + "/" + name, bytes)) ? ++written : ++failed;
    };

    const std::string plain = Jpeg(33, 17, false, JPEG_QUALITYGOOD);
    put("jpeg/baseline.jpg", plain);
    put("jpeg/progressive.jpg", Jpeg(33, 17, false, JPEG_PROGRESSIVE));
    put("jpeg/progressive-grey.jpg", Jpeg(24, 20, true, JPEG_PROGRESSIVE));
    put("jpeg/grey.jpg", Jpeg(16, 16, true, 0));
    put("jpeg/optimized-444.jpg", Jpeg(20, 12, false, JPEG_OPTIMIZE | JPEG_SUBSAMPLING_444));
    put("jpeg/422.jpg", Jpeg(20, 12, false, JPEG_SUBSAMPLING_422));
    put("jpeg/411.jpg", Jpeg(40, 9, false, JPEG_SUBSAMPLING_411));
    put("jpeg/one-pixel.jpg", Jpeg(1, 1, false, 0));
    put("jpeg/wide.jpg", Jpeg(200, 3, false, JPEG_QUALITYNORMAL));
    for (int orientation = 1; orientation <= 8; ++orientation)
        put("jpeg/exif-" + std::to_string(orientation) + ".jpg", AfterSoi(plain, Exif(orientation)));
    put("jpeg/progressive-exif-6.jpg", AfterSoi(Jpeg(33, 17, false, JPEG_PROGRESSIVE), Exif(6)));
    put("jpeg/exif-thumbnail.jpg", AfterSoi(plain, Exif(8, Jpeg(8, 8, false, JPEG_QUALITYBAD))));
    put("jpeg/comment.jpg", AfterSoi(plain, Block(0xFE, "a comment")));

    struct { int bpp; unsigned compression, header; bool topDown; const char* name; } bmps[] = {
        {1, 0, 40, false, "1bpp"},          {4, 0, 40, false, "4bpp"},          {8, 0, 40, false, "8bpp"},
        {16, 0, 40, false, "555"},          {16, 3, 40, false, "565"},          {24, 0, 40, false, "24bpp"},
        {32, 0, 40, false, "32bpp"},        {4, 2, 40, false, "rle4"},          {8, 1, 40, false, "rle8"},
        {24, 0, 40, true, "top-down"},      {8, 0, 40, true, "top-down-8bpp"}, {24, 0, 108, false, "v4-24bpp"},
        {32, 3, 124, false, "v5-32bpp"},    {16, 3, 124, false, "v5-565"},      {8, 1, 56, false, "v3-rle8"},
        {16, 0, 52, false, "v2-555"},       {24, 0, 12, false, "os2-24bpp"},    {8, 0, 12, false, "os2-8bpp"},
    };
    for (const auto& b : bmps)
        put(std::string("bmp/") + b.name + ".bmp", Bmp(b.bpp, b.compression, b.header, b.topDown, 13, 7));
    FreeImage_DeInitialise();
    std::printf("seeds: %d written to %s\n", written, dir.c_str());
    return failed ? 1 : 0;
}
