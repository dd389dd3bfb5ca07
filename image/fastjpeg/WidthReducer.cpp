#include "image/fastjpeg/WidthReducer.h"

#include "image/fastjpeg/FastJpeg.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define VTL_HALVE_AVX2 1
#endif

namespace vtlimage {

namespace {

using vips::VImage;

// libvips' fixed point for 8-bit samples: weights in 1/4096.
constexpr int kShift = 12;

struct Kernel {
    int nFirst = 0; // offset of the first tap from factor * output x
    std::vector<std::int16_t> weights;
    // Weights t and t + 1 side by side in one 32-bit lane, as SSE2 multiplies a pair of samples.
    std::vector<std::int32_t> pairs;
};

// Called for |x| < 3 only.
double Lanczos3(double x) {
    if (x == 0)
        return 1;
    const double px = std::numbers::pi * x;
    return 3 * std::sin(px) * std::sin(px / 3) / (px * px);
}

// Output pixel x covers input pixels factor * x to factor * x + factor - 1, so its centre is
// (factor - 1) / 2 past the first; every output pixel has the same weights. They are
// normalised to 1 and then cut toward zero to 1/4096, as libvips cuts them.
Kernel MakeKernel(int factor) {
    Kernel kernel;
    const double centre = (factor - 1) / 2.0;
    std::vector<double> weights;
    double sum = 0;
    for (int d = -4 * factor; d <= 4 * factor; ++d) {
        const double x = (d - centre) / factor;
        if (std::fabs(x) >= 3)
            continue;
        if (weights.empty())
            kernel.nFirst = d;
        weights.push_back(Lanczos3(x));
        sum += weights.back();
    }
    for (const double weight : weights)
        kernel.weights.push_back(static_cast<std::int16_t>(weight / sum * (1 << kShift)));
    for (std::size_t t = 0; t + 1 < kernel.weights.size(); t += 2)
        kernel.pairs.push_back(static_cast<std::uint16_t>(kernel.weights[t]) |
                               static_cast<std::int32_t>(kernel.weights[t + 1]) << 16);
    return kernel;
}

// Never destroyed: libvips' worker threads outlive main() and may still hold a picture that
// reads them while the process's statics are torn down.
const Kernel& KernelFor(int factor) {
    static const Kernel& two = *new Kernel(MakeKernel(2));
    static const Kernel& three = *new Kernel(MakeKernel(3));
    return factor == 2 ? two : three;
}

#if defined(__SSE2__)
// 16 RGB pixels into three planes of 16 samples: four rounds of one byte shuffle transpose the
// 3 x 16 bytes.
void Deinterleave3(const VipsPel* pixels, __m128i planes[3]) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels));
    __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 16));
    __m128i z = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 32));
    for (int round = 0; round < 4; ++round) {
        const __m128i nextX = _mm_unpacklo_epi8(x, _mm_unpackhi_epi64(y, y));
        const __m128i nextY = _mm_unpacklo_epi8(_mm_unpackhi_epi64(x, x), z);
        z = _mm_unpacklo_epi8(y, _mm_unpackhi_epi64(z, z));
        x = nextX;
        y = nextY;
    }
    planes[0] = x;
    planes[1] = y;
    planes[2] = z;
}

// Three planes of 16 samples into 16 RGB pixels: first four bytes a pixel, then each 64-bit
// half cut to its two pixels' six bytes and stored six bytes on from the last. The stores run
// two bytes past the 48: the caller's next pixel covers them.
void Interleave3(const __m128i planes[3], VipsPel* pixels) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_unpacklo_epi8(planes[0], planes[1]);
    const __m128i high = _mm_unpackhi_epi8(planes[0], planes[1]);
    const __m128i quads[4] = {
        _mm_unpacklo_epi16(low, _mm_unpacklo_epi8(planes[2], zero)),
        _mm_unpackhi_epi16(low, _mm_unpacklo_epi8(planes[2], zero)),
        _mm_unpacklo_epi16(high, _mm_unpackhi_epi8(planes[2], zero)),
        _mm_unpackhi_epi16(high, _mm_unpackhi_epi8(planes[2], zero)),
    };
    const __m128i first = _mm_set1_epi64x(0xFFFFFF);
    const __m128i second = _mm_set1_epi64x(0xFFFFFF000000);
    for (int q = 0; q < 4; ++q) {
        const __m128i packed = _mm_or_si128(_mm_and_si128(quads[q], first),
                                            _mm_and_si128(_mm_srli_epi64(quads[q], 8), second));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(pixels + 12 * q), packed);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(pixels + 12 * q + 6),
                         _mm_unpackhi_epi64(packed, packed));
    }
}
#endif

// Splits one input row band by band, with the edge samples repeated beyond the picture. A
// factor of 2 keeps each band's samples in order (taps then pair up, see HalveBand); another
// factor splits them into phases: phase p of band b holds samples p, p + Factor, ...
template <int Factor, int Bands>
void SplitRow(const VipsPel* row, int left, int x0, int inWidth, int length, std::int16_t* split) {
    const int span = Factor * length;
    const auto copy = [&](int k, int x) {
        const VipsPel* sample = row + static_cast<std::ptrdiff_t>(x - left) * Bands;
        for (int b = 0; b < Bands; ++b)
            split[Factor == 2 ? b * span + k : (b * Factor + k % Factor) * length + k / Factor] =
                sample[b];
    };
    const int inside = std::clamp(-x0, 0, span);
    const int beyond = std::clamp(inWidth - x0, inside, span);
    for (int k = 0; k < inside; ++k)
        copy(k, 0);
    int k = inside;
#if defined(__SSE2__)
    if constexpr (Factor == 2 && Bands == 3)
        for (; k + 16 <= beyond; k += 16) {
            __m128i planes[3];
            Deinterleave3(row + static_cast<std::ptrdiff_t>(x0 + k - left) * Bands, planes);
            for (int b = 0; b < Bands; ++b) {
                auto* band = reinterpret_cast<__m128i*>(split + b * span + k);
                _mm_storeu_si128(band, _mm_unpacklo_epi8(planes[b], _mm_setzero_si128()));
                _mm_storeu_si128(band + 1, _mm_unpackhi_epi8(planes[b], _mm_setzero_si128()));
            }
        }
#endif
    for (; k < beyond; ++k)
        copy(k, x0 + k);
    for (k = beyond; k < span; ++k)
        copy(k, inWidth - 1);
}

#if defined(VTL_HALVE_AVX2)
// HalveBand eight outputs at a time; returns how many it made.
__attribute__((target("avx2"))) int HalveBandAvx2(const std::int16_t* band, const Kernel& kernel,
                                                  int width, std::int32_t* sums) {
    const int pairs = static_cast<int>(kernel.pairs.size());
    int j = 0;
    for (; j + 8 <= width; j += 8) {
        __m256i sum = _mm256_set1_epi32(1 << (kShift - 1));
        for (int p = 0; p < pairs; ++p) {
            const __m256i samples =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(band + 2 * j + 2 * p));
            sum = _mm256_add_epi32(sum,
                                   _mm256_madd_epi16(samples, _mm256_set1_epi32(kernel.pairs[p])));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + j), sum);
    }
    return j;
}
#endif

// One band of a halved row: sums[j] = rounding + the weighted samples 2j ... 2j + taps - 1.
// Taps pair up, and SSE2 multiplies a pair of samples by its pair of weights and adds them in
// one step, four outputs at a time (AVX2 eight, where the processor has it).
void HalveBand(const std::int16_t* band, const Kernel& kernel, int width, std::int32_t* sums) {
    const std::vector<std::int16_t>& weights = kernel.weights;
    const int taps = static_cast<int>(weights.size());
    int j = 0;
#if defined(VTL_HALVE_AVX2)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2 && taps % 2 == 0)
        j = HalveBandAvx2(band, kernel, width, sums);
#endif
#if defined(__SSE2__)
    const std::vector<std::int32_t>& pairs = kernel.pairs;
    for (; taps % 2 == 0 && j + 4 <= width; j += 4) {
        __m128i sum = _mm_set1_epi32(1 << (kShift - 1));
        for (int t = 0; t + 1 < taps; t += 2) {
            const __m128i samples =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(band + 2 * j + t));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(samples, _mm_set1_epi32(pairs[t / 2])));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + j), sum);
    }
#endif
    for (; j < width; ++j) {
        std::int32_t sum = 1 << (kShift - 1);
        for (int t = 0; t < taps; ++t)
            sum += weights[t] * band[2 * j + t];
        sums[j] = sum;
    }
}

// One band of a row cut by another factor: tap t of output j reads phase t % Factor at
// j + t / Factor, so each weight is applied along the whole row at once.
template <int Factor>
void CutBand(const std::int16_t* phases, const std::vector<std::int16_t>& weights, int width,
             int length, std::int32_t* sums) {
    std::fill(sums, sums + width, 1 << (kShift - 1));
    for (int t = 0; t < static_cast<int>(weights.size()); ++t) {
        const std::int32_t weight = weights[t];
        const std::int16_t* source = phases + (t % Factor) * length + t / Factor;
        for (int j = 0; j < width; ++j)
            sums[j] += weight * source[j];
    }
}

// One strip of rows.
template <int Factor, int Bands>
int Generate(VipsRegion* outRegion, void* seq, void*, void* kernelArg, gboolean*) {
    auto* in = static_cast<VipsRegion*>(seq);
    const Kernel& kernel = *static_cast<const Kernel*>(kernelArg);
    const VipsRect& r = outRegion->valid;
    const int taps = static_cast<int>(kernel.weights.size());
    const int inWidth = in->im->Xsize;
    const int x0 = r.left * Factor + kernel.nFirst;
    const int left = std::max(0, x0);
    const int right = std::min(inWidth, x0 + r.width * Factor + taps);
    VipsRect need{left, r.top, right - left, r.height};
    if (vips_region_prepare(in, &need))
        return -1;

    const int length = r.width + (taps + Factor - 1) / Factor;
    std::vector<std::int16_t> split(static_cast<std::size_t>(Bands) * Factor * length);
    const int width = r.width;
    std::vector<std::int32_t> sums(static_cast<std::size_t>(Bands) * width);
    for (int y = 0; y < r.height; ++y) {
        SplitRow<Factor, Bands>(VIPS_REGION_ADDR(in, left, r.top + y), left, x0, inWidth, length,
                                split.data());
        for (int b = 0; b < Bands; ++b) {
            const std::int16_t* band = split.data() + b * Factor * length;
            std::int32_t* bandSums = sums.data() + b * width;
            if constexpr (Factor == 2)
                HalveBand(band, kernel, width, bandSums);
            else
                CutBand<Factor>(band, kernel.weights, width, length, bandSums);
        }
        // The bands are put back together in one pass, each output byte written in order.
        VipsPel* out = VIPS_REGION_ADDR(outRegion, r.left, r.top + y);
        int j = 0;
#if defined(__SSE2__)
        // Sixteen pixels at a time while another pixel follows to cover Interleave3's overrun;
        // saturating packs clamp as std::clamp does.
        if constexpr (Bands == 3)
            for (; j + 16 < width; j += 16, out += 16 * Bands) {
                __m128i planes[3];
                for (int b = 0; b < Bands; ++b) {
                    const auto* band =
                        reinterpret_cast<const __m128i*>(sums.data() + b * width + j);
                    __m128i words[2];
                    for (int h = 0; h < 2; ++h)
                        words[h] = _mm_packs_epi32(
                            _mm_srai_epi32(_mm_loadu_si128(band + 2 * h), kShift),
                            _mm_srai_epi32(_mm_loadu_si128(band + 2 * h + 1), kShift));
                    planes[b] = _mm_packus_epi16(words[0], words[1]);
                }
                Interleave3(planes, out);
            }
#endif
        for (; j < width; ++j)
            for (int b = 0; b < Bands; ++b)
                *out++ = static_cast<VipsPel>(std::clamp(sums[b * width + j] >> kShift, 0, 255));
    }
    return 0;
}

using GenerateFn = int (*)(VipsRegion*, void*, void*, void*, gboolean*);

template <int Factor> GenerateFn GenerateFor(int bands) {
    switch (bands) {
    case 1:
        return Generate<Factor, 1>;
    case 2:
        return Generate<Factor, 2>;
    case 3:
        return Generate<Factor, 3>;
    default:
        return Generate<Factor, 4>;
    }
}

} // namespace

bool CanReduceWidth(const VImage& image, int width) {
    return FastJpegRoad() && image.format() == VIPS_FORMAT_UCHAR && image.bands() <= 4 &&
           width > 0 && (image.width() == 2 * width || image.width() == 3 * width);
}

VImage ReduceWidth(const VImage& image, int width) {
    const int factor = image.width() / width;
    VipsImage* in = image.get_image();
    VipsImage* out = vips_image_new();
    // The result keeps its input alive until it is closed.
    g_object_ref(in);
    vips_object_local(out, in);
    if (vips_image_pipelinev(out, VIPS_DEMAND_STYLE_THINSTRIP, in, nullptr) != 0) {
        g_object_unref(out);
        throw vips::VError();
    }
    out->Xsize = width;
    auto* kernel = const_cast<Kernel*>(&KernelFor(factor));
    const GenerateFn generate = factor == 2 ? GenerateFor<2>(in->Bands) : GenerateFor<3>(in->Bands);
    const int result =
        vips_image_generate(out, vips_start_one, generate, vips_stop_one, in, kernel);
    if (result != 0) {
        g_object_unref(out);
        throw vips::VError();
    }
    return VImage(out);
}

} // namespace vtlimage
