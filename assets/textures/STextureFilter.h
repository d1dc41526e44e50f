#pragma once

#include <cstdint>
#include <vector>

// The nine reconstruction filters that textures are resampled with, chosen per axis by name,
// and the separable two-pass resampler with its 1.14 fixed-point weights. Each call keeps its
// own work state, so resamplings may run side by side.
struct STextureFilter {
    double (*kernel)(double x);
    double support;
    int32_t interpolating;
    int32_t unitRange;
    const char* name;
};

constexpr int kNumTextureFilters = 9;
extern const STextureFilter g_TextureFilters[kNumTextureFilters];

// The index of the filter with exactly this name; 0 ("Point") when there is none.
int FindTextureFilter(const char* name);

// The weights of the source pixels first .. end - 1 that make one destination pixel; they sum
// to exactly 16384.
struct STexWeightList {
    int first = 0;
    int end = 0;
    std::vector<int32_t> weights;
};

// One resampling of a packed image (rows of width pixels, no padding) to a new size.
class STexResampler {
public:
    // Filter indices are clamped into the table.
    STexResampler(int xFilter, int yFilter, int srcWidth, int srcHeight, int dstWidth, int dstHeight);

    // 32-bit pixels, all four bytes filtered alike.
    void ResampleImage(const uint8_t* src, uint8_t* dst);
    // 8-bit planes.
    void ResampleAlpha(const uint8_t* src, uint8_t* dst);

    void MakeWeightsX(int column, STexWeightList& list) const;
    void MakeWeightsY(int row, STexWeightList& list) const;

private:
    struct Axis {
        const STextureFilter* filter;
        int srcSize;
        double scale;
        double filterScale;
        double support;
    };
    static Axis MakeAxis(int filter, int srcSize, int dstSize);
    static void MakeWeights(const Axis& axis, int index, STexWeightList& list);
    void Resample(const uint8_t* src, uint8_t* dst, int channels);

    Axis m_x;
    Axis m_y;
    int m_srcWidth;
    int m_srcHeight;
    int m_dstWidth;
    int m_dstHeight;
};

// Resamples a packed 32-bit image or 8-bit plane with the named filters; an unknown name is
// "Point". The destination holds dstWidth x dstHeight pixels.
void ResamplePixels(const uint8_t* src, int srcWidth, int srcHeight, uint8_t* dst, int dstWidth,
                    int dstHeight, const char* xFilter, const char* yFilter, int channels);

// The index between first and last (inclusive) of the palette entry nearest to a working-form
// colour by the sum of squared blue, green and red differences; ties keep the lower index.
uint8_t NearestPaletteIndex(const uint8_t (*palette)[4], int first, int last, uint32_t color);
