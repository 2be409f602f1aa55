// ParamPivots and PivotManager: pivot selection from parameter values and the corner blends.
#include "puppet/PivotManager.h"

#include <cstdint>
#include <cstring>

#include "puppet/ModelContext.h"
#include "puppet/Ut.h"
#include "puppet/UtDebug.h"

namespace puppet {
namespace {
// The index table holds 64 corners: at most six parameters interpolate at once.
constexpr int MAX_WEIGHTS = 6;
constexpr float EPSILON = 0.0001f;

// Truncates toward zero, holding values that no int can take at the ends of the range.
int truncToInt(double v) {
    if (!(v > -2147483648.0)) return v != v ? 0 : INT32_MIN;
    if (v >= 2147483647.0) return INT32_MAX;
    return static_cast<int>(v);
}
}  // namespace

// As blendFloat for points, with one blend step a·(1 − t) + b·t.
template <class Corner>
float PivotManager::blendCoordinate(int k, const float* t, Corner value) {
    int m = 1 << k;
    if (k <= 4) {
        float v[16];
        for (int e = 0; e < m; ++e) v[e] = value(e);
        for (int i = 0; i < k; ++i)
            for (int j = 0; j < m >> (i + 1); ++j) v[j] = v[2 * j] * (1.0f - t[i]) + v[2 * j + 1] * t[i];
        return v[0];
    }
    return blendFloat(k, t, value);
}

void checkCorners(const PivotManager* pm, int count, const char* what) {
    if (!pm || count != pm->cornerCount())
        throw PuppetException(UtString::format("%s: one entry per pivot corner expected", what));
}

void ParamPivots::readV2(BReader& br) {
    paramId = br.readObjectAs<ParamID>();
    pivotCount = br.readInt();
    pivotValues = br.readObjectAs<FloatArray>();
    if (!paramId || pivotCount < 1 || !pivotValues || pivotValues->values.size() != pivotCount)
        throw PuppetException(PPString("ParamPivots: a parameter and its pivot values expected"));
}

int ParamPivots::paramIndex(ModelContext& mc) {
    if (cacheKey != mc.getInitVersion()) cachedIndex = -2;
    if (cachedIndex == -2) {
        cachedIndex = mc.getParamIndex(paramId);
        cacheKey = mc.getInitVersion();
    }
    if (cachedIndex < 0)
        throw PuppetException(PPString("PivotManager#calcPivotValue() :tmpParamIndex < 0 ") + paramId->name());
    if (cachedIndex >= mc.getParamCount()) throw PuppetException(PPString("out of range ModelDrawContext@getParamFloat()"));
    return cachedIndex;
}

void PivotManager::readV2(BReader& br) {
    br.readList(params);
    int64_t corners = 1;
    for (ParamPivots* p : params) {
        corners *= p->pivotCount;
        // Every corner is stored in the file, so a count beyond its length is malformed.
        if (corners > 0x100000) throw PuppetException(PPString("PivotManager: too many pivot corners"));
    }
    corners_ = static_cast<int>(corners);
}

bool PivotManager::checkParamUpdated(ModelContext& mc) {
    if (mc.needsUpdate()) return true;
    for (int i = params.size(); i-- > 0;)
        if (mc.isParamUpdated(params[i]->paramIndex(mc))) return true;
    return false;
}

int PivotManager::calcPivotValue(ModelContext& mc, bool* outOfRange) {
    int k = 0;
    for (ParamPivots* pp : params) {
        float v = mc.getParamFloat(pp->paramIndex(mc));
        const PPVector<float>& p = pp->pivotValues->values;
        int n = pp->pivotCount;
        pp->pivotWeight = 0.0f;
        if (n < 1) {
            pp->pivotIndex = -1;
        } else if (n == 1) {
            pp->pivotIndex = 0;
            if (v <= p[0] - EPSILON || v >= p[0] + EPSILON) *outOfRange = true;
        } else if (v < p[0] - EPSILON) {
            pp->pivotIndex = 0;
            *outOfRange = true;
        } else if (v < p[0] + EPSILON) {
            pp->pivotIndex = 0;
        } else {
            int j = 1;
            for (; j < n; ++j) {
                if (v < p[j] + EPSILON) {
                    if (v <= p[j] - EPSILON) {
                        pp->pivotIndex = j - 1;
                        pp->pivotWeight = (v - p[j - 1]) / (p[j] - p[j - 1]);
                        ++k;
                    } else {
                        pp->pivotIndex = j;
                    }
                    break;
                }
            }
            if (j == n) {
                pp->pivotIndex = n - 1;
                *outOfRange = true;
            }
        }
    }
    return k;
}

void PivotManager::calcPivotIndexies(uint16_t* indexTable, float* weightTable, int k) {
    if ((1 << (k < 30 ? k : 30)) + 1 > PIVOT_TABLE_SIZE) {
        UtDebug::out("============================================================\n");
        UtDebug::out("\x91\x7a\x92\xe8\x83\x54\x83\x43\x83\x59\x82\xf0\x92\xb4\x82\xa6\x82\xe9\x95\xe2\x8a\xd4"
                     "\x89\xf1\x90\x94\x82\xc5\x82\xb7 %d\n ",
                     1 << (k < 30 ? k : 30));
        UtDebug::out("Puppet.h / PIVOT_TABLE_SIZE \x82\xf0\x91\xe5\x82\xab\x82\xad\x82\xb5\x82\xc4\x89\xba\x82\xb3\x82\xa2\n");
        UtDebug::out("============================================================\n");
    }
    int weights = k < MAX_WEIGHTS ? k : MAX_WEIGHTS;
    int m = 1 << weights;
    for (int e = 0; e < m; ++e) indexTable[e] = 0;
    int stride = 1, bit = 1, w = 0;
    for (ParamPivots* pp : params) {
        // Parameters beyond the table's six stay at their lower pivot.
        if (pp->pivotWeight == 0.0f || w == MAX_WEIGHTS) {
            if (pp->pivotIndex < 0)
                throw PuppetException(PPString(
                    "PivotManager#calcPivotIndexies()\x82\xe6\x82\xe8\x91\x4f\x82\xc9 tmpPivotIndex\x82\xaa\x93\x4b\x90\xd8"
                    "\x82\xc9\x90\xdd\x92\xe8\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1"));
            for (int e = 0; e < m; ++e) indexTable[e] = static_cast<uint16_t>(indexTable[e] + pp->pivotIndex * stride);
        } else {
            for (int e = 0; e < m; ++e)
                indexTable[e] = static_cast<uint16_t>(indexTable[e] + ((e / bit) % 2 == 0 ? pp->pivotIndex : pp->pivotIndex + 1) * stride);
            weightTable[w++] = pp->pivotWeight;
            bit *= 2;
        }
        stride *= pp->pivotCount;
    }
    indexTable[m] = 0xFFFF;
    weightTable[w] = -1.0f;
}

int PivotManager::prepare(ModelContext& mc, bool* outOfRange) {
    int k = calcPivotValue(mc, outOfRange);
    calcPivotIndexies(mc.pivotTable(), mc.pivotWeights(), k);
    return k < MAX_WEIGHTS ? k : MAX_WEIGHTS;
}

int PivotManager::interpolateInt(ModelContext& mc, const PPVector<int>& values, bool* outOfRange) {
    int k = prepare(mc, outOfRange);
    const uint16_t* idx = mc.pivotTable();
    const float* t = mc.pivotWeights();
    auto value = [&](int e) { return values.at(idx[e], 2); };
    if (k == 0) return value(0);
    int m = 1 << k;
    if (k <= 4) {
        int v[16];
        for (int e = 0; e < m; ++e) v[e] = value(e);
        for (int i = 0; i < k; ++i)
            for (int j = 0; j < m >> (i + 1); ++j)
                v[j] = truncToInt(v[2 * j] + (static_cast<double>(v[2 * j + 1]) - v[2 * j]) * t[i]);
        return v[0];
    }
    return truncToInt(blendFloat(k, t, [&](int e) { return static_cast<float>(value(e)); }));
}

float PivotManager::interpolateFloat(ModelContext& mc, const PPVector<float>& values, bool* outOfRange) {
    int k = prepare(mc, outOfRange);
    const uint16_t* idx = mc.pivotTable();
    return blendFloat(k, mc.pivotWeights(), [&](int e) { return values.at(idx[e], 2); });
}

void PivotManager::interpolatePoints(ModelContext& mc, int pointCount, const PPVector<FloatArray*>& corners, float* dst,
                                     int offset, int stride, bool* outOfRange) {
    int k = prepare(mc, outOfRange);
    const uint16_t* idx = mc.pivotTable();
    const float* t = mc.pivotWeights();
    const float* src[64];
    for (int e = 0; e < 1 << k; ++e) src[e] = corners.at(idx[e], 2)->values.data();
    if (k == 0 && offset == 0 && stride == 2) {
        std::memcpy(dst, src[0], sizeof(float) * 2 * static_cast<size_t>(pointCount));
        return;
    }
    for (int i = 0; i < pointCount; ++i) {
        for (int c = 0; c < 2; ++c) {
            dst[offset + i * stride + c] = k == 0 ? src[0][2 * i + c]
                                                  : blendCoordinate(k, t, [&](int e) { return src[e][2 * i + c]; });
        }
    }
}

}  // namespace puppet
