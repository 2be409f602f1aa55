// Reading of the model's data classes and the per-frame work of textured meshes.
#include "puppet/ModelData.h"

#include <cstring>

#include "puppet/DrawParam.h"

#include "puppet/ModelContext.h"
#include "puppet/UtDebug.h"

namespace puppet {
namespace {
PuppetException malformed(const char* what) { return PuppetException(PPString(what)); }
}  // namespace

void ParamDefFloat::readV2(BReader& br) {
    minValue = br.readFloat();
    maxValue = br.readFloat();
    defaultValue = br.readFloat();
    paramId = br.readObjectAs<ParamID>();
    if (!paramId) throw malformed("ParamDefFloat: no parameter id");
}

PartsDataContext::PartsDataContext(PartsData* p) : opacity(p->visible ? 1.0f : 0.0f), parts(p) {}

void PartsData::readV2(BReader& br) {
    flagA = br.readBit() != 0;
    visible = br.readBit() != 0;
    partsId = br.readObjectAs<PartsDataID>();
    br.readList(baseData);
    br.readList(drawData);
}

void AvatarPartsItem::readV2(BReader& br) {
    partsId = br.readObjectAs<PartsDataID>();
    first = br.readObjectAs<ObjectArray>();
    second = br.readObjectAs<ObjectArray>();
}

void IDrawData::readV2(BReader& br) {
    id = br.readObjectAs<DrawDataID>();
    targetId = br.readObjectAs<BaseDataID>();
    pivotManager = br.readObjectAs<PivotManager>();
    averageDrawOrder = br.readInt();
    br.readIntVector(pivotDrawOrders);
    br.readFloatVector(pivotOpacities);
    checkCorners(pivotManager, pivotDrawOrders.size(), "IDrawData draw orders");
    checkCorners(pivotManager, pivotOpacities.size(), "IDrawData opacities");
}

bool IDrawData::hasParentDeformer() const { return targetId && targetId != BaseDataID::DST_BASE_ID(); }

void DDTexture::readV2(BReader& br) {
    IDrawData::readV2(br);
    textureNo = br.readInt();
    pointCount = br.readInt();
    triangleCount = br.readInt();
    IntArray* indexInts = br.readObjectAs<IntArray>();
    br.readList(pivotPoints);
    uv = br.readObjectAs<FloatArray>();
    if (br.getFormatVersion() >= 8) {
        optionFlags = static_cast<uint32_t>(br.readInt());
        if (optionFlags & 1) optionValue = br.readInt();
    }
    // Sizes must agree, or drawing would read outside the arrays.
    if (pointCount < 0 || pointCount > 0x10000 || triangleCount < 0) throw malformed("DDTexture: illegal counts");
    if ((indexInts ? indexInts->values.size() : 0) != 3 * static_cast<int64_t>(triangleCount))
        throw malformed("DDTexture: index count does not match the triangles");
    if ((uv ? uv->values.size() : 0) != 2 * pointCount) throw malformed("DDTexture: uv count does not match the points");
    checkCorners(pivotManager, pivotPoints.size(), "DDTexture points");
    for (FloatArray* points : pivotPoints)
        if (points->values.size() != 2 * pointCount) throw malformed("DDTexture: point count does not match");
    if (indexInts) {
        indices.reserve(indexInts->values.size());
        for (int v : indexInts->values) {
            uint16_t index = static_cast<uint16_t>(v);
            if (index >= pointCount) throw malformed("DDTexture: index beyond the points");
            indices.push_back(index);
        }
    }
}

IDrawContext* DDTexture::init(ModelContext&) {
    auto* ctx = new DDTextureContext(this);
    auto fill = [&](PPVector<float>& points) {
        points.resize(5 * pointCount);
        for (int i = 0; i < pointCount; ++i) {
            points[5 * i + 2] = 0.0f;
            points[5 * i + 3] = uv->values[2 * i];
            points[5 * i + 4] = uv->values[2 * i + 1];
        }
    };
    fill(ctx->interpolated);
    if (hasParentDeformer()) fill(ctx->transformed);
    ctx->drawPoints = hasParentDeformer() ? ctx->transformed.data() : ctx->interpolated.data();
    return ctx;
}

void DDTexture::setupInterpolate(ModelContext& mc, IDrawContext* base) {
    auto* ctx = static_cast<DDTextureContext*>(base);
    if (!pivotManager->checkParamUpdated(mc)) return;
    bool outOfRange = false;
    ctx->drawOrder = pivotManager->interpolateInt(mc, pivotDrawOrders, &outOfRange);
    if (!outOfRange) ctx->opacity = pivotManager->interpolateFloat(mc, pivotOpacities, &outOfRange);
    if (!outOfRange) pivotManager->interpolatePoints(mc, pointCount, pivotPoints, ctx->interpolated.data(), 0, 5, &outOfRange);
    ctx->outOfRange = outOfRange;
}

void DDTexture::setupTransform(ModelContext& mc, IDrawContext* base) {
    auto* ctx = static_cast<DDTextureContext*>(base);
    if (ctx->outOfRange || !hasParentDeformer()) return;
    if (ctx->targetIndex == -2) {
        ctx->targetIndex = mc.getBaseDataIndex(targetId);
        // "未対応の座標系 :: %s": a target that the model does not hold.
        if (ctx->targetIndex < 0)
            UtDebug::print("\x96\xa2\x91\xce\x89\x9e\x82\xcc\x8d\xc0\x95\x57\x8c\x6e :: %s", targetId->name().c_str());
    }
    if (ctx->targetIndex < 0) return;
    IBaseContext* deformerCtx = mc.getBaseContext(ctx->targetIndex);
    // A deformer that is out of range, or whose own parent was, has no valid points this frame.
    if (deformerCtx->outOfRange || !deformerCtx->available) {
        ctx->available = false;
        return;
    }
    mc.getBaseData(ctx->targetIndex)
        ->transformPoints(mc, deformerCtx, ctx->interpolated.data(), ctx->transformed.data(), pointCount, 0, 5);
    ctx->available = true;
}

DDTextureContext::~DDTextureContext() { releaseBuffers(); }

void DDTextureContext::releaseBuffers() {
    if (uvBuffer) uvBuffer->Release();
    if (indexBuffer) indexBuffer->Release();
    uvBuffer = nullptr;
    indexBuffer = nullptr;
}

void DDTexture::prepareBuffers(DrawParam_D3D& dp, DDTextureContext* ctx) {
    IDirect3DDevice9* device = dp.device();
    if (!device) return;
    if (!ctx->uvBuffer) {
        if (FAILED(device->CreateVertexBuffer(static_cast<UINT>(pointCount * 8), D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED,
                                              &ctx->uvBuffer, nullptr))) {
            ctx->uvBuffer = nullptr;
            dp.setError(DrawParam_D3D::ERROR_VERTEX_BUFFER);
            return;
        }
        void* data = nullptr;
        if (FAILED(ctx->uvBuffer->Lock(0, 0, &data, 0))) {
            // An unfilled buffer would be kept for good: drop it and try again next time.
            ctx->uvBuffer->Release();
            ctx->uvBuffer = nullptr;
            dp.setError(DrawParam_D3D::ERROR_LOCK);
            return;
        }
        std::memcpy(data, uv->values.data(), sizeof(float) * 2 * static_cast<size_t>(pointCount));
        ctx->uvBuffer->Unlock();
    }
    if (!ctx->indexBuffer) {
        if (FAILED(device->CreateIndexBuffer(static_cast<UINT>(indices.size() * 2), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                             D3DPOOL_DEFAULT, &ctx->indexBuffer, nullptr))) {
            ctx->indexBuffer = nullptr;
            dp.setError(DrawParam_D3D::ERROR_INDEX_BUFFER);
            return;
        }
        void* data = nullptr;
        if (FAILED(ctx->indexBuffer->Lock(0, 0, &data, D3DLOCK_NOSYSLOCK))) {
            ctx->indexBuffer->Release();
            ctx->indexBuffer = nullptr;
            dp.setError(DrawParam_D3D::ERROR_LOCK);
            return;
        }
        std::memcpy(data, indices.data(), sizeof(uint16_t) * static_cast<size_t>(indices.size()));
        ctx->indexBuffer->Unlock();
    }
    device->SetIndices(ctx->indexBuffer);
}

void DDTexture::draw(DrawParam_D3D& dp, ModelContext&, IDrawContext* base) {
    auto* ctx = static_cast<DDTextureContext*>(base);
    if (ctx->outOfRange) return;
    if (textureNo < 0) textureNo = 1;
    float opacity = ctx->partsOpacity * ctx->opacity;
    prepareBuffers(dp, ctx);
    dp.drawTexture(textureNo, 3 * triangleCount, pointCount, ctx->drawPoints, opacity, ctx->uvBuffer);
}

void DDTexture::deviceLost(IDrawContext* ctx) { static_cast<DDTextureContext*>(ctx)->releaseBuffers(); }

const float* DDTexture::getTransformedPoints(IDrawContext* ctx, int* count) {
    *count = pointCount;
    return static_cast<DDTextureContext*>(ctx)->drawPoints;
}

void ModelImpl::readV2(BReader& br) {
    paramDefSet = br.readObjectAs<ParamDefSet>();
    br.readList(parts);
    canvasWidth = br.readInt();
    canvasHeight = br.readInt();
}

}  // namespace puppet
