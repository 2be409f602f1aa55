// The classes of a loaded model that are not deformers: the root, the parameter definitions, the
// parts, and the textured meshes with their per-frame contexts.
#pragma once
#include <d3d9.h>

#include <cstdint>

#include "puppet/BReader.h"
#include "puppet/BaseData.h"
#include "puppet/ID.h"
#include "puppet/PivotManager.h"

namespace puppet {

class ModelContext;
class IDrawData;
class DrawParam_D3D;

class ParamDefFloat : public ISerializableV2 {
public:
    void readV2(BReader& br) override;
    float minValue = 0.0f, maxValue = 0.0f, defaultValue = 0.0f;
    ParamID* paramId = nullptr;
};

class ParamDefSet : public ISerializableV2 {
public:
    void readV2(BReader& br) override { br.readList(paramDefs); }
    PPVector<ParamDefFloat*> paramDefs;
};

class PartsData;

class PartsDataContext {
public:
    explicit PartsDataContext(PartsData* p);
    float opacity;
    PartsData* parts;
};

class PartsData : public ISerializableV2 {
public:
    void readV2(BReader& br) override;
    PartsDataContext* initContext() { return new PartsDataContext(this); }

    bool flagA = false;
    bool visible = true;
    PartsDataID* partsId = nullptr;
    PPVector<IBaseData*> baseData;
    PPVector<IDrawData*> drawData;
};

class AvatarPartsItem : public ISerializableV2 {
public:
    void readV2(BReader& br) override;
    PartsDataID* partsId = nullptr;
    ObjectArray* first = nullptr;
    ObjectArray* second = nullptr;
};

class IDrawContext {
public:
    explicit IDrawContext(IDrawData* d) : drawData(d) {}
    virtual ~IDrawContext() = default;
    int32_t drawOrder = 0;
    float opacity = 1.0f;
    bool outOfRange = false;
    float partsOpacity = 1.0f;  // the second opacity factor, the owning part's opacity
    bool available = true;
    IDrawData* drawData;
    int partsIndex = 0;
};

class IDrawData : public ISerializableV2 {
public:
    void readV2(BReader& br) override;

    virtual IDrawContext* init(ModelContext& mc) = 0;
    virtual void setupInterpolate(ModelContext& mc, IDrawContext* ctx) = 0;
    virtual void setupTransform(ModelContext& mc, IDrawContext* ctx) = 0;
    virtual void draw(DrawParam_D3D& dp, ModelContext& mc, IDrawContext* ctx) = 0;
    virtual int getType() = 0;
    // Releases the context's device objects; they are made again on the next draw.
    virtual void deviceLost(IDrawContext*) {}

    bool hasParentDeformer() const;

    DrawDataID* id = nullptr;
    BaseDataID* targetId = nullptr;
    PivotManager* pivotManager = nullptr;
    int32_t averageDrawOrder = 0;
    PPVector<int> pivotDrawOrders;
    PPVector<float> pivotOpacities;
    bool flag = true;
};

// Points hold 5 floats each: x, y, z, u, v.
class DDTextureContext : public IDrawContext {
public:
    using IDrawContext::IDrawContext;
    ~DDTextureContext() override;
    void releaseBuffers();
    int targetIndex = -2;
    PPVector<float> interpolated;
    PPVector<float> transformed;  // empty when the target is the root
    float* drawPoints = nullptr;
    IDirect3DVertexBuffer9* uvBuffer = nullptr;
    IDirect3DIndexBuffer9* indexBuffer = nullptr;
};

class DDTexture : public IDrawData {
public:
    void readV2(BReader& br) override;
    IDrawContext* init(ModelContext& mc) override;
    void setupInterpolate(ModelContext& mc, IDrawContext* ctx) override;
    void setupTransform(ModelContext& mc, IDrawContext* ctx) override;
    void draw(DrawParam_D3D& dp, ModelContext& mc, IDrawContext* ctx) override;
    int getType() override { return 2; }
    void deviceLost(IDrawContext* ctx) override;
    // The points to draw (5 floats each); count receives the point count.
    const float* getTransformedPoints(IDrawContext* ctx, int* count);

    int32_t textureNo = -1;
    int32_t pointCount = 0;
    int32_t triangleCount = 0;
    PPVector<uint16_t> indices;
    PPVector<FloatArray*> pivotPoints;
    FloatArray* uv = nullptr;
    uint32_t optionFlags = 0;
    int32_t optionValue = 0;

private:
    // Makes the context's uv and index buffers where they are missing and sets the index buffer.
    void prepareBuffers(DrawParam_D3D& dp, DDTextureContext* ctx);
};

class ModelImpl : public ISerializableV2 {
public:
    void readV2(BReader& br) override;
    ParamDefSet* paramDefSet = nullptr;
    PPVector<PartsData*> parts;
    int32_t canvasWidth = 400;
    int32_t canvasHeight = 400;
};

}  // namespace puppet
