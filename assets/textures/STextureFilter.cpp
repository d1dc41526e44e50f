#include "assets/textures/STextureFilter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <math.h>

namespace {

constexpr double kPi = 3.14159265358979323846;

double BoxKernel(double x) {
    return (x >= -0.5 && x < 0.5) ? 1.0 : 0.0;
}

double TriangleKernel(double x) {
    if (x >= -1.0 && x < 0.0)
        return x + 1.0;
    if (x >= 0.0 && x < 1.0)
        return 1.0 - x;
    return 0.0;
}

double QuadraticKernel(double x) {
    if (x >= -1.5 && x < -0.5)
        return 0.5 * (x + 1.5) * (x + 1.5);
    if (x >= -0.5 && x < 0.5)
        return 0.75 - x * x;
    if (x >= 0.5 && x < 1.5)
        return 0.5 * (x - 1.5) * (x - 1.5);
    return 0.0;
}

double CubicKernel(double x) {
    if (x >= -2.0 && x < -1.0)
        return (x + 2.0) * (x + 2.0) * (x + 2.0) / 6.0;
    if (x >= -1.0 && x < 0.0)
        return (4.0 - 6.0 * x * x - 3.0 * x * x * x) / 6.0;
    if (x >= 0.0 && x < 1.0)
        return (4.0 - 6.0 * x * x + 3.0 * x * x * x) / 6.0;
    if (x >= 1.0 && x < 2.0)
        return (2.0 - x) * (2.0 - x) * (2.0 - x) / 6.0;
    return 0.0;
}

double CatromKernel(double x) {
    if (x >= -2.0 && x < -1.0)
        return 0.5 * (x * x * x + 5.0 * x * x + 8.0 * x + 4.0);
    if (x >= -1.0 && x < 0.0)
        return 0.5 * (2.0 - 5.0 * x * x - 3.0 * x * x * x);
    if (x >= 0.0 && x < 1.0)
        return 0.5 * (2.0 - 5.0 * x * x + 3.0 * x * x * x);
    if (x >= 1.0 && x < 2.0)
        return 0.5 * (4.0 - 8.0 * x + 5.0 * x * x - x * x * x);
    return 0.0;
}

double GaussianKernel(double x) {
    return std::exp(-2.0 * x * x) * std::sqrt(0.6366197723675814);
}

double SincKernel(double x) {
    if (x == 0.0)
        return 1.0;
    return std::sin(kPi * x) / (kPi * x);
}

double BesselKernel(double x) {
    if (x == 0.0)
        return kPi / 4.0;
    return ::j1(kPi * x) / (2.0 * x);
}

}  // namespace

const STextureFilter g_TextureFilters[kNumTextureFilters] = {
    {BoxKernel, 0.0, 1, 1, "Point"},
    {BoxKernel, 0.5, 1, 1, "Box"},
    {TriangleKernel, 1.0, 1, 1, "Triangle"},
    {QuadraticKernel, 1.5, 0, 1, "Quadratic"},
    {CubicKernel, 2.0, 0, 1, "Cubic"},
    {CatromKernel, 2.0, 1, 0, "Catrom"},
    {GaussianKernel, 1.25, 0, 1, "Gaussian"},
    {SincKernel, 4.0, 1, 0, "Sinc"},
    {BesselKernel, 3.2383, 0, 0, "Bessel"},
};

int FindTextureFilter(const char* name) {
    if (!name)
        return 0;
    for (int i = 0; i < kNumTextureFilters; ++i) {
        if (std::strcmp(g_TextureFilters[i].name, name) == 0)
            return i;
    }
    return 0;
}

STexResampler::STexResampler(int xFilter, int yFilter, int srcWidth, int srcHeight, int dstWidth,
                             int dstHeight)
    : m_x(MakeAxis(xFilter, srcWidth, dstWidth)),
      m_y(MakeAxis(yFilter, srcHeight, dstHeight)),
      m_srcWidth(srcWidth),
      m_srcHeight(srcHeight),
      m_dstWidth(dstWidth),
      m_dstHeight(dstHeight) {}

STexResampler::Axis STexResampler::MakeAxis(int filter, int srcSize, int dstSize) {
    Axis axis;
    axis.filter = &g_TextureFilters[std::clamp(filter, 0, kNumTextureFilters - 1)];
    axis.srcSize = srcSize;
    axis.scale = static_cast<double>(dstSize) / static_cast<double>(srcSize);
    // Enlarging samples the kernel at its own width; shrinking widens it by the reduction.
    axis.filterScale = 1.0 / axis.scale;
    if (axis.filterScale < 1.0)
        axis.filterScale = 1.0;
    axis.support = axis.filterScale * axis.filter->support;
    if (axis.support < 0.5)
        axis.support = 0.5;
    return axis;
}

void STexResampler::MakeWeightsX(int column, STexWeightList& list) const {
    MakeWeights(m_x, column, list);
}

void STexResampler::MakeWeightsY(int row, STexWeightList& list) const {
    MakeWeights(m_y, row, list);
}

void STexResampler::MakeWeights(const Axis& axis, int index, STexWeightList& list) {
    list.weights.clear();
    list.first = list.end = 0;
    const double center = (index + 0.5) / axis.scale;
    // 0.49 rather than 0.5 keeps a centre that lands on a pixel edge from taking two pixels.
    int first = static_cast<int>(center - axis.support + 0.49);
    int end = static_cast<int>(center + axis.support + 0.49);
    first = std::max(first, 0);
    end = std::min(end, axis.srcSize);
    if (first >= end)
        return;

    double den = 0.0;
    for (int i = first; i < end; ++i)
        den += axis.filter->kernel((i + 0.5 - center) / axis.filterScale);
    const double sc = den == 0.0 ? 16384.0 : 16384.0 / den;

    int sum = 0;
    int lastNonZero = -1;
    list.first = first;
    for (int i = first; i < end; ++i) {
        double w = sc * axis.filter->kernel((i + 0.5 - center) / axis.filterScale);
        // A nearly cancelling kernel sum can blow a weight past 16 bits; it is held at the
        // range's edge and the residual below still brings the list to 16384.
        w = std::clamp(w, -32768.0, 32767.0);
        const int t = static_cast<int>(std::floor(w + 0.5));
        if (list.weights.empty() && t == 0) {
            list.first = i + 1;
            continue;
        }
        list.weights.push_back(t);
        sum += t;
        if (t != 0)
            lastNonZero = i;
    }

    if (sum == 0) {
        list.first = (first + end) >> 1;
        list.end = list.first + 1;
        list.weights.assign(1, 16384);
        return;
    }
    list.end = lastNonZero + 1;
    list.weights.resize(list.end - list.first);
    if (sum != 16384) {
        const int k = std::clamp(static_cast<int>(center + 0.5), list.first, list.end - 1);
        list.weights[k - list.first] += 16384 - sum;
    }
}

void STexResampler::ResampleImage(const uint8_t* src, uint8_t* dst) {
    Resample(src, dst, 4);
}

void STexResampler::ResampleAlpha(const uint8_t* src, uint8_t* dst) {
    Resample(src, dst, 1);
}

void STexResampler::Resample(const uint8_t* src, uint8_t* dst, int channels) {
    if (m_srcWidth < 1 || m_srcHeight < 1 || m_dstWidth < 1 || m_dstHeight < 1)
        return;
    std::vector<STexWeightList> columns(m_dstWidth);
    for (int x = 0; x < m_dstWidth; ++x)
        MakeWeightsX(x, columns[x]);

    // Horizontally filtered source rows in 8.6 fixed point, cached so that each is filtered
    // once while the destination rows that need it follow one another.
    const int slots = static_cast<int>(std::ceil(2.0 * m_y.support)) + 2;
    const size_t rowValues = static_cast<size_t>(m_dstWidth) * channels;
    std::vector<int16_t> cache(rowValues * slots);
    std::vector<int> cachedRow(slots, -1);
    std::vector<int64_t> accumulators(rowValues);
    STexWeightList rowWeights;

    for (int y = 0; y < m_dstHeight; ++y) {
        MakeWeightsY(y, rowWeights);
        std::fill(accumulators.begin(), accumulators.end(), 0);
        for (int j = rowWeights.first; j < rowWeights.end; ++j) {
            const int64_t wy = rowWeights.weights[j - rowWeights.first];
            const int slot = j % slots;
            int16_t* filtered = &cache[rowValues * slot];
            if (cachedRow[slot] != j) {
                const uint8_t* row = src + static_cast<size_t>(j) * m_srcWidth * channels;
                for (int x = 0; x < m_dstWidth; ++x) {
                    const STexWeightList& list = columns[x];
                    for (int c = 0; c < channels; ++c) {
                        int64_t acc = 128;
                        for (int i = list.first; i < list.end; ++i)
                            acc += row[i * channels + c] * static_cast<int64_t>(list.weights[i - list.first]);
                        filtered[x * channels + c] = static_cast<int16_t>(acc >> 8);
                    }
                }
                cachedRow[slot] = j;
            }
            for (size_t v = 0; v < rowValues; ++v)
                accumulators[v] += filtered[v] * wy;
        }
        uint8_t* out = dst + static_cast<size_t>(y) * rowValues;
        for (size_t v = 0; v < rowValues; ++v)
            out[v] = static_cast<uint8_t>(std::clamp<int64_t>((accumulators[v] + 0x80000) >> 20, 0, 255));
    }
}

void ResamplePixels(const uint8_t* src, int srcWidth, int srcHeight, uint8_t* dst, int dstWidth,
                    int dstHeight, const char* xFilter, const char* yFilter, int channels) {
    STexResampler resampler(FindTextureFilter(xFilter), FindTextureFilter(yFilter), srcWidth,
                            srcHeight, dstWidth, dstHeight);
    if (channels == 1)
        resampler.ResampleAlpha(src, dst);
    else
        resampler.ResampleImage(src, dst);
}

uint8_t NearestPaletteIndex(const uint8_t (*palette)[4], int first, int last, uint32_t color) {
    const int blue = color & 0xFF;
    const int green = (color >> 8) & 0xFF;
    const int red = (color >> 16) & 0xFF;
    int best = first;
    long bestDistance = -1;
    for (int i = first; i <= last; ++i) {
        const long db = palette[i][0] - blue;
        const long dg = palette[i][1] - green;
        const long dr = palette[i][2] - red;
        const long distance = db * db + dg * dg + dr * dr;
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return static_cast<uint8_t>(best);
}
