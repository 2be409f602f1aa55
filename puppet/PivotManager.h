// Pivot tables: for each parameter an object depends on, a sorted list of parameter values
// (pivots), and one stored value per combination of pivots (a corner). The current parameter
// values pick the two pivots around each value, and the stored corners are blended.
#pragma once
#include <cstdint>

#include "puppet/BReader.h"
#include "puppet/ID.h"

namespace puppet {

class ModelContext;

// 64 corners and a terminator.
constexpr int PIVOT_TABLE_SIZE = 65;

class ParamPivots : public ISerializableV2 {
public:
    void readV2(BReader& br) override;

    // The parameter's index in the model context, cached for one initialisation of it.
    int paramIndex(ModelContext& mc);

    ParamID* paramId = nullptr;
    int32_t pivotCount = 0;
    FloatArray* pivotValues = nullptr;
    int32_t cachedIndex = -2;
    int32_t cacheKey = -1;
    int32_t pivotIndex = 0;
    float pivotWeight = 0.0f;
};

class PivotManager : public ISerializableV2 {
public:
    void readV2(BReader& br) override;

    // Number of corners the stored lists must hold: the product of the pivot counts.
    int cornerCount() const { return corners_; }

    bool checkParamUpdated(ModelContext& mc);
    // Picks pivot index and weight for every parameter; returns how many interpolate.
    int calcPivotValue(ModelContext& mc, bool* outOfRange);
    void calcPivotIndexies(uint16_t* indexTable, float* weightTable, int k);

    int interpolateInt(ModelContext& mc, const PPVector<int>& values, bool* outOfRange);
    float interpolateFloat(ModelContext& mc, const PPVector<float>& values, bool* outOfRange);
    // Blends one point array per corner (pointCount x, y pairs each) into dst[offset + i·stride].
    void interpolatePoints(ModelContext& mc, int pointCount, const PPVector<FloatArray*>& corners, float* dst,
                           int offset, int stride, bool* outOfRange);

    // Runs both steps into the model context's index and weight tables; returns the number of
    // weights written (at most 6).
    int prepare(ModelContext& mc, bool* outOfRange);
    // Blends one float per corner after prepare: value(corner number) gives the stored value.
    template <class Corner>
    static float blendCorners(const uint16_t* indexTable, const float* weights, int k, Corner value) {
        return blendFloat(k, weights, [&](int e) { return value(indexTable[e]); });
    }

    PPVector<ParamPivots*> params;

private:
    // Nested linear blends for up to four weights, the sum of weighted corners beyond;
    // value(e) is the value of index-table entry e.
    template <class Corner>
    static float blendFloat(int k, const float* t, Corner value) {
        if (k == 0) return value(0);
        int m = 1 << k;
        if (k <= 4) {
            float v[16];
            for (int e = 0; e < m; ++e) v[e] = value(e);
            for (int i = 0; i < k; ++i)
                for (int j = 0; j < m >> (i + 1); ++j) v[j] = v[2 * j] + (v[2 * j + 1] - v[2 * j]) * t[i];
            return v[0];
        }
        float sum = 0.0f;
        for (int e = 0; e < m; ++e) {
            float w = 1.0f;
            for (int i = 0; i < k; ++i) w *= (e >> i & 1) ? t[i] : 1.0f - t[i];
            sum += w * value(e);
        }
        return sum;
    }
    template <class Corner>
    static float blendCoordinate(int k, const float* t, Corner value);

    int corners_ = 1;
};

// The stored lists of a pivoted object must hold one entry per corner.
void checkCorners(const PivotManager* pm, int count, const char* what);

}  // namespace puppet
