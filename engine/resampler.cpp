#include "engine/resampler.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace resampler {
namespace {

// For each output index along one axis: the source pixels it takes and their
// weights (fixed point, summing to kWeightOne). Taps come in pairs, an odd
// count padded with a zero weight: the passes below take two at a time.
constexpr int kWeightBits = 14;
// Source bytes read past which the output is made on two threads.
constexpr size_t kSplitBytes = size_t(8) << 20;
constexpr int kWeightOne = 1 << kWeightBits;

struct Taps {
    std::vector<int> first;      // first source index, per output index
    std::vector<int> count;      // number of taps (even), per output index
    std::vector<int> offset;     // into weights, per output index
    std::vector<short> weights;  // at most kWeightOne: a 16-bit multiply-add takes them
};

// Shrinking: each output pixel is the mean of the source span it covers,
// partial pixels counted by their share. Enlarging: linear interpolation
// between the two nearest source centres.
Taps MakeTaps(int source, int target)
{
    Taps taps;
    taps.first.resize(target);
    taps.count.resize(target);
    taps.offset.resize(target);
    const double scale = static_cast<double>(source) / target;
    std::vector<double> shares;
    for (int i = 0; i < target; ++i) {
        shares.clear();
        int first;
        if (scale > 1.0) {
            const double from = i * scale, to = std::min<double>(from + scale, source);
            first = std::min(static_cast<int>(from), source - 1);
            for (int s = first; s < to && s < source; ++s)
                shares.push_back(std::min<double>(s + 1, to) - std::max<double>(s, from));
        } else {
            const double centre = std::clamp((i + 0.5) * scale - 0.5, 0.0, static_cast<double>(source - 1));
            first = static_cast<int>(centre);
            const double fraction = centre - first;
            shares.push_back(1.0 - fraction);
            if (first + 1 < source)
                shares.push_back(fraction);
        }
        double total = 0;
        for (double share : shares)
            total += share;
        taps.first[i] = first;
        taps.offset[i] = static_cast<int>(taps.weights.size());
        // Each weight is the step between rounded running totals: the sum is
        // exact and no weight is negative, however many taps share the rounding.
        double running = 0;
        int previous = 0;
        for (double share : shares) {
            running += share;
            const int upTo = static_cast<int>(std::lround(running / total * kWeightOne));
            taps.weights.push_back(static_cast<short>(upTo - previous));
            previous = upTo;
        }
        if (shares.size() % 2 != 0)
            taps.weights.push_back(0);
        taps.count[i] = static_cast<int>(taps.weights.size()) - taps.offset[i];
    }
    return taps;
}

// The vertical pass keeps 8 fraction bits, less 32768 so that the values fit
// a signed 16-bit multiply-add in the horizontal pass. As the weights sum to
// kWeightOne, the bias comes back there as one constant.
constexpr int kDownShift = kWeightBits - 8;
constexpr int kDownRound = (1 << (kDownShift - 1)) - (32768 << kDownShift);
constexpr int kAcrossShift = kWeightBits + 8;
constexpr int kAcrossRound = (1 << (kAcrossShift - 1)) + (32768 << kWeightBits);

// The bytes of the given rows from byte `first` on, weighted and summed,
// into `column`.
void SumRowsFrom(size_t first, const std::uint8_t* const* rows, const short* w, int count, size_t bytes, short* column)
{
    for (size_t i = first; i < bytes; ++i) {
        int sum = kDownRound;
        for (int k = 0; k < count; ++k)
            sum += w[k] * rows[k][i];
        column[i] = static_cast<short>(std::clamp(sum >> kDownShift, -32768, 32767));
    }
}

#if defined(__SSE2__) || defined(_M_X64)

// Two 16-bit weights in every 32-bit lane: pmaddwd's pairs.
__m128i WeightPair(const short* w)
{
    return _mm_set1_epi32(static_cast<int>((static_cast<unsigned>(w[1]) << 16) | static_cast<std::uint16_t>(w[0])));
}

// The same, 16 bytes at a time.
void SumRows(const std::uint8_t* const* rows, const short* w, int count, size_t bytes, short* column)
{
    const __m128i zero = _mm_setzero_si128(), round = _mm_set1_epi32(kDownRound);
    size_t i = 0;
    for (; i + 16 <= bytes; i += 16) {
        __m128i s0 = round, s1 = round, s2 = round, s3 = round;
        for (int k = 0; k < count; k += 2) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + i));
            const __m128i pair = WeightPair(w + k);
            const __m128i low = _mm_unpacklo_epi8(a, b), high = _mm_unpackhi_epi8(a, b);  // a0 b0 a1 b1 ...
            s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi8(low, zero), pair));
            s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi8(low, zero), pair));
            s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi8(high, zero), pair));
            s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi8(high, zero), pair));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(column + i),
                         _mm_packs_epi32(_mm_srai_epi32(s0, kDownShift), _mm_srai_epi32(s1, kDownShift)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(column + i + 8),
                         _mm_packs_epi32(_mm_srai_epi32(s2, kDownShift), _mm_srai_epi32(s3, kDownShift)));
    }
    SumRowsFrom(i, rows, w, count, bytes, column);
}

// One output pixel: the taps' channels meet their weights two pixels at a
// time (a load takes four values; the fourth is the next pixel's, dropped).
std::uint32_t BlendPixel(const short* p, int step, const short* w, int count)
{
    __m128i sum = _mm_set1_epi32(kAcrossRound);
    for (int k = 0; k < count; k += 2, p += 2 * step) {
        const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
        const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + step));
        sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), WeightPair(w + k)));
    }
    sum = _mm_srai_epi32(sum, kAcrossShift);
    sum = _mm_packus_epi16(_mm_packs_epi32(sum, sum), sum);
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(sum)) & 0xFFFFFF;
}

#else

void SumRows(const std::uint8_t* const* rows, const short* w, int count, size_t bytes, short* column)
{
    SumRowsFrom(0, rows, w, count, bytes, column);
}

std::uint32_t BlendPixel(const short* p, int step, const short* w, int count)
{
    std::uint32_t pixel = 0;
    for (int c = 0; c < 3; ++c) {
        int sum = kAcrossRound;
        for (int k = 0; k < count; ++k)
            sum += w[k] * p[k * step + c];
        pixel |= static_cast<std::uint32_t>(std::clamp(sum >> kAcrossShift, 0, 255)) << (8 * c);
    }
    return pixel;
}

#endif

// One scaling: the taps of both axes, and output rows made on demand into
// the caller's memory, in bands or all at once.
class Job {
public:
    Job(const std::uint8_t* source, std::ptrdiff_t pitch, int sw, int sh, int step, int width, int height)
        : m_source(source), m_pitch(pitch), m_sh(sh), m_step(step), m_width(width),
          m_rowBytes(static_cast<size_t>(sw) * step), m_same(sw == width && sh == height)
    {
        if (m_same)
            return;
        m_across = MakeTaps(sw, width);
        m_down = MakeTaps(sh, height);
        m_first = MakeBand();
        // Every source row is read at least once: a big picture's rows are
        // shared between two cores, the halves of a band being independent.
        if (m_rowBytes * static_cast<size_t>(std::max(sh, height)) >= kSplitBytes &&
            std::thread::hardware_concurrency() > 1)
            m_second = MakeBand();
    }

    // Output rows [from, to) into `out` (its first line is row `from`).
    void Rows(int from, int to, std::uint32_t* out)
    {
        if (m_same) {
            Widen(from, to, out);
            return;
        }
        const int half = from + (to - from) / 2;
        std::thread helper;
        if (!m_second.column.empty() && half > from) {
            try {
                helper = std::thread([&] { Scale(m_second, half, to, out + static_cast<size_t>(half - from) * m_width); });
            } catch (const std::system_error&) {
            }
        }
        Scale(m_first, from, helper.joinable() ? half : to, out);
        if (helper.joinable())
            helper.join();
    }

private:
    struct Band {
        // Room past the row for the loads of a padding tap (weight zero) and
        // for the fourth value a load takes.
        std::vector<short> column;
        std::vector<const std::uint8_t*> rows;
    };

    Band MakeBand() const
    {
        Band band;
        band.column.resize(m_rowBytes + 8);
        band.rows.reserve(static_cast<size_t>(*std::max_element(m_down.count.begin(), m_down.count.end())));
        return band;
    }

    // Allocates nothing: a second thread may run it.
    void Scale(Band& band, int from, int to, std::uint32_t* out) const noexcept
    {
        for (int y = from; y < to; ++y, out += m_width) {
            band.rows.clear();
            for (int k = 0; k < m_down.count[y]; ++k)
                band.rows.push_back(m_source + std::min(m_down.first[y] + k, m_sh - 1) * m_pitch);
            SumRows(band.rows.data(), &m_down.weights[m_down.offset[y]], m_down.count[y], m_rowBytes,
                    band.column.data());
            for (int x = 0; x < m_width; ++x)
                out[x] = BlendPixel(&band.column[static_cast<size_t>(m_across.first[x]) * m_step], m_step,
                                    &m_across.weights[m_across.offset[x]], m_across.count[x]);
        }
    }

    // Nothing to scale (a picture decoded at the fitted size): the rows are
    // only widened, to the same pixels the weights would give.
    void Widen(int from, int to, std::uint32_t* out) const
    {
        for (int y = from; y < to; ++y, out += m_width) {
            const std::uint8_t* p = m_source + y * m_pitch;
            for (int x = 0; x < m_width; ++x, p += m_step)
                out[x] = p[0] | static_cast<std::uint32_t>(p[1]) << 8 | static_cast<std::uint32_t>(p[2]) << 16;
        }
    }

    const std::uint8_t* m_source;
    std::ptrdiff_t m_pitch;
    int m_sh, m_step, m_width;
    size_t m_rowBytes;
    bool m_same;
    Taps m_across, m_down;
    Band m_first, m_second;
};

bool Acceptable(const std::uint8_t* source, int sw, int sh, int step, int width, int height)
{
    return source && sw > 0 && sh > 0 && width > 0 && height > 0 && (step == 3 || step == 4);
}

}  // namespace

bool Resample(const std::uint8_t* source, std::ptrdiff_t pitch, int sw, int sh, int step, int width, int height,
              std::uint32_t* out)
{
    if (!Acceptable(source, sw, sh, step, width, height) || !out)
        return false;
    Job(source, pitch, sw, sh, step, width, height).Rows(0, height, out);
    return true;
}

bool ResampleInBands(const std::uint8_t* source, std::ptrdiff_t pitch, int sw, int sh, int step, int width,
                     int height, int bandRows, const std::function<bool(const std::uint32_t*, int)>& take)
{
    if (!Acceptable(source, sw, sh, step, width, height) || bandRows <= 0)
        return false;
    Job job(source, pitch, sw, sh, step, width, height);
    std::vector<std::uint32_t> band(static_cast<size_t>(std::min(bandRows, height)) * width);
    for (int from = 0; from < height; from += bandRows) {
        const int count = std::min(bandRows, height - from);
        job.Rows(from, from + count, band.data());
        if (!take(band.data(), count))
            return false;
    }
    return true;
}

}  // namespace resampler
