// Deformers: reading, per-frame blending of their keys or grids, and the point transforms.
#include "puppet/BaseData.h"

#include <cmath>

#include "puppet/ModelContext.h"
#include "puppet/UtDebug.h"

namespace puppet {
namespace {
constexpr float PI = 3.14159265358979f;

// "未対応の座標系 :: %s": a target that the model does not hold.
void reportUnknownTarget(BaseDataID* target) {
    UtDebug::print("\x96\xa2\x91\xce\x89\x9e\x82\xcc\x8d\xc0\x95\x57\x8c\x6e :: %s", target->name().c_str());
}
}  // namespace

void IBaseData::readV2(BReader& br) {
    id = br.readObjectAs<BaseDataID>();
    targetId = br.readObjectAs<BaseDataID>();
}

bool IBaseData::hasParentDeformer() const { return targetId && targetId != BaseDataID::DST_BASE_ID(); }

IBaseData* IBaseData::setupParent(ModelContext& mc, IBaseContext* ctx, int& parentIndex, IBaseContext*& parentCtx) {
    ctx->available = true;
    if (!hasParentDeformer()) return nullptr;
    if (parentIndex == -2) {
        parentIndex = mc.getBaseDataIndex(targetId);
        if (parentIndex < 0) reportUnknownTarget(targetId);
    }
    if (parentIndex < 0) {
        ctx->available = false;
        return nullptr;
    }
    parentCtx = mc.getBaseContext(parentIndex);
    return mc.getBaseData(parentIndex);
}

void AffineEnt::readV2(BReader& br) {
    originX = br.readFloat();
    originY = br.readFloat();
    scaleX = br.readFloat();
    scaleY = br.readFloat();
    rotationDeg = br.readFloat();
}

void BDAffine::readV2(BReader& br) {
    IBaseData::readV2(br);
    pivotManager = br.readObjectAs<PivotManager>();
    br.readList(affines);
    checkCorners(pivotManager, affines.size(), "BDAffine");
}

IBaseContext* BDAffine::init(ModelContext&) {
    auto* ctx = new BDAffineContext;
    if (hasParentDeformer()) ctx->transformed = std::make_unique<AffineEnt>();
    return ctx;
}

void BDAffine::setupInterpolate(ModelContext& mc, IBaseContext* base) {
    auto* ctx = static_cast<BDAffineContext*>(base);
    if (!pivotManager->checkParamUpdated(mc)) return;
    bool outOfRange = false;
    int k = pivotManager->prepare(mc, &outOfRange);
    ctx->outOfRange = outOfRange;
    const uint16_t* table = mc.pivotTable();
    const float* weights = mc.pivotWeights();
    auto blend = [&](float AffineEnt::*field) {
        return PivotManager::blendCorners(table, weights, k, [&](int corner) { return affines.at(corner, 2)->*field; });
    };
    AffineEnt& key = ctx->interpolated;
    key.originX = blend(&AffineEnt::originX);
    key.originY = blend(&AffineEnt::originY);
    key.scaleX = blend(&AffineEnt::scaleX);
    key.scaleY = blend(&AffineEnt::scaleY);
    key.rotationDeg = blend(&AffineEnt::rotationDeg);
}

void BDAffine::transformDirection(ModelContext& mc, IBaseData* parent, IBaseContext* parentCtx, const float* o,
                                  const float* d, float* result) {
    float p0[2], p[2], q[2];
    parent->transformPoints(mc, parentCtx, o, p0, 1, 0, 2);
    float s = 1.0f;
    for (int i = 0; i < 10; ++i) {
        q[0] = o[0] + s * d[0];
        q[1] = o[1] + s * d[1];
        parent->transformPoints(mc, parentCtx, q, p, 1, 0, 2);
        if (p[0] != p0[0] || p[1] != p0[1]) {
            result[0] = p[0] - p0[0];
            result[1] = p[1] - p0[1];
            return;
        }
        q[0] = o[0] - s * d[0];
        q[1] = o[1] - s * d[1];
        parent->transformPoints(mc, parentCtx, q, p, 1, 0, 2);
        if (p[0] != p0[0] || p[1] != p0[1]) {
            // The step went against d, so its image points against the image of d.
            result[0] = p0[0] - p[0];
            result[1] = p0[1] - p[1];
            return;
        }
        s *= 0.1f;
    }
    UtDebug::out("failed to transform BDAffine\n");
    // No usable direction: take d unchanged, so the key keeps its own rotation.
    result[0] = d[0];
    result[1] = d[1];
}

void BDAffine::setupTransform(ModelContext& mc, IBaseContext* base) {
    auto* ctx = static_cast<BDAffineContext*>(base);
    IBaseContext* parentCtx = nullptr;
    IBaseData* parent = setupParent(mc, ctx, ctx->parentIndex, parentCtx);
    if (!parent) return;
    const AffineEnt& key = ctx->interpolated;
    float o[2] = {key.originX, key.originY};
    float d[2] = {0.0f, parent->getType() == 1 ? -10.0f : -0.1f};
    float image[2];
    transformDirection(mc, parent, parentCtx, o, d, image);
    float angle = std::atan2(d[1], d[0]) - std::atan2(image[1], image[0]);
    while (angle > PI) angle -= 2 * PI;
    while (angle < -PI) angle += 2 * PI;
    float mapped[2];
    parent->transformPoints(mc, parentCtx, o, mapped, 1, 0, 2);
    AffineEnt& t = *ctx->transformed;
    t.originX = mapped[0];
    t.originY = mapped[1];
    t.scaleX = key.scaleX;
    t.scaleY = key.scaleY;
    t.rotationDeg = key.rotationDeg - 57.29578f * angle;
    ctx->available = parentCtx->available && !parentCtx->outOfRange;
}

void BDAffine::transformPoints(ModelContext&, IBaseContext* base, const float* src, float* dst, int count, int offset,
                               int stride) {
    auto* ctx = static_cast<BDAffineContext*>(base);
    const AffineEnt& key = ctx->transformed ? *ctx->transformed : ctx->interpolated;
    float r = key.rotationDeg * 0.017453292f;
    float c = std::cos(r), s = std::sin(r);
    for (int j = offset; j < count * stride; j += stride) {
        float x = src[j] * key.scaleX, y = src[j + 1] * key.scaleY;
        dst[j] = x * c - y * s + key.originX;
        dst[j + 1] = x * s + y * c + key.originY;
    }
}

void BDBoxGrid::readV2(BReader& br) {
    IBaseData::readV2(br);
    ny = br.readInt();
    nx = br.readInt();
    pivotManager = br.readObjectAs<PivotManager>();
    br.readList(grids);
    checkCorners(pivotManager, grids.size(), "BDBoxGrid");
    if (nx < 1 || ny < 1 || (static_cast<int64_t>(nx) + 1) * (static_cast<int64_t>(ny) + 1) > 0x100000)
        throw PuppetException(PPString("BDBoxGrid: illegal grid size"));
    for (FloatArray* g : grids)
        if (g->values.size() != 2 * pointCount()) throw PuppetException(PPString("BDBoxGrid: illegal grid size"));
}

IBaseContext* BDBoxGrid::init(ModelContext&) {
    auto* ctx = new BDBoxGridContext;
    ctx->interpolated.resize(2 * pointCount());
    if (hasParentDeformer()) ctx->transformed.resize(2 * pointCount());
    return ctx;
}

void BDBoxGrid::setupInterpolate(ModelContext& mc, IBaseContext* base) {
    auto* ctx = static_cast<BDBoxGridContext*>(base);
    if (!pivotManager->checkParamUpdated(mc)) return;
    bool outOfRange = false;
    pivotManager->interpolatePoints(mc, pointCount(), grids, ctx->interpolated.data(), 0, 2, &outOfRange);
    ctx->outOfRange = outOfRange;
}

void BDBoxGrid::setupTransform(ModelContext& mc, IBaseContext* base) {
    auto* ctx = static_cast<BDBoxGridContext*>(base);
    IBaseContext* parentCtx = nullptr;
    IBaseData* parent = setupParent(mc, ctx, ctx->parentIndex, parentCtx);
    if (!parent) return;
    if (parentCtx->available && !parentCtx->outOfRange)
        parent->transformPoints(mc, parentCtx, ctx->interpolated.data(), ctx->transformed.data(), pointCount(), 0, 2);
    else
        ctx->available = false;
}

void BDBoxGrid::transformPoints(ModelContext&, IBaseContext* base, const float* src, float* dst, int count, int offset,
                                int stride) {
    auto* ctx = static_cast<BDBoxGridContext*>(base);
    const float* grid = ctx->transformed.empty() ? ctx->interpolated.data() : ctx->transformed.data();
    int row = nx + 1;
    for (int j = offset; j < count * stride; j += stride) {
        float x = src[j], y = src[j + 1];
        x = x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f;  // NaN gives 0
        y = y > 0.0f ? (y < 1.0f ? y : 1.0f) : 0.0f;
        float X = x * static_cast<float>(nx), Y = y * static_cast<float>(ny);
        // A point on the right or bottom edge lies in the last cell.
        int c = static_cast<int>(X), r = static_cast<int>(Y);
        if (c >= nx) c = nx - 1;
        if (r >= ny) r = ny - 1;
        float fx = X - static_cast<float>(c), fy = Y - static_cast<float>(r);
        const float* p00 = grid + 2 * (r * row + c);
        const float* p10 = p00 + 2;
        const float* p01 = p00 + 2 * row;
        const float* p11 = p01 + 2;
        float ox, oy;
        if (fx + fy < 1.0f) {
            ox = p00[0] + (p10[0] - p00[0]) * fx + (p01[0] - p00[0]) * fy;
            oy = p00[1] + (p10[1] - p00[1]) * fx + (p01[1] - p00[1]) * fy;
        } else {
            ox = p11[0] + (p01[0] - p11[0]) * (1.0f - fx) + (p10[0] - p11[0]) * (1.0f - fy);
            oy = p11[1] + (p01[1] - p11[1]) * (1.0f - fx) + (p10[1] - p11[1]) * (1.0f - fy);
        }
        dst[j] = ox;
        dst[j + 1] = oy;
    }
}

}  // namespace puppet
