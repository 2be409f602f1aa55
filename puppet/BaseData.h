// Deformers: the affine deformer (a blended origin, scale and rotation) and the grid deformer (a
// blended grid of points that maps the unit square), each attached to a parent deformer or to the
// root "DST_BASE", with the per-frame contexts the model context keeps for them.
#pragma once
#include <memory>

#include "puppet/BReader.h"
#include "puppet/ID.h"
#include "puppet/PivotManager.h"

namespace puppet {

class ModelContext;

class IBaseContext {
public:
    virtual ~IBaseContext() = default;
    int partsIndex = 0;
    bool outOfRange = false;
    bool available = true;
};

class IBaseData : public ISerializableV2 {
public:
    void readV2(BReader& br) override;

    virtual IBaseContext* init(ModelContext& mc) = 0;
    virtual void setupInterpolate(ModelContext& mc, IBaseContext* ctx) = 0;
    virtual void setupTransform(ModelContext& mc, IBaseContext* ctx) = 0;
    // Maps the points at src[offset + i·stride] (x, y) into dst at the same places.
    virtual void transformPoints(ModelContext& mc, IBaseContext* ctx, const float* src, float* dst, int count, int offset,
                                 int stride) = 0;
    virtual int getType() = 0;

    // True when the target is another deformer rather than the root.
    bool hasParentDeformer() const;

    BaseDataID* id = nullptr;
    BaseDataID* targetId = nullptr;
    bool flag = true;

protected:
    // Marks ctx available and returns the parent deformer with its context, or null when the target
    // is the root or unknown to the model context (then ctx is unavailable, with a debug message).
    // The parent's index is resolved once per context into parentIndex.
    IBaseData* setupParent(ModelContext& mc, IBaseContext* ctx, int& parentIndex, IBaseContext*& parentCtx);
};

class AffineEnt : public ISerializableV2 {
public:
    void readV2(BReader& br) override;
    float originX = 0.0f, originY = 0.0f, scaleX = 1.0f, scaleY = 1.0f, rotationDeg = 0.0f;
};

class BDAffineContext : public IBaseContext {
public:
    int parentIndex = -2;
    AffineEnt interpolated;
    std::unique_ptr<AffineEnt> transformed;
};

class BDAffine : public IBaseData {
public:
    void readV2(BReader& br) override;
    IBaseContext* init(ModelContext& mc) override;
    void setupInterpolate(ModelContext& mc, IBaseContext* ctx) override;
    void setupTransform(ModelContext& mc, IBaseContext* ctx) override;
    void transformPoints(ModelContext& mc, IBaseContext* ctx, const float* src, float* dst, int count, int offset,
                         int stride) override;
    int getType() override { return 1; }

    PivotManager* pivotManager = nullptr;
    PPVector<AffineEnt*> affines;

private:
    // Image of the direction d at o under the parent deformer.
    static void transformDirection(ModelContext& mc, IBaseData* parent, IBaseContext* parentCtx, const float* o,
                                   const float* d, float* result);
};

class BDBoxGridContext : public IBaseContext {
public:
    int parentIndex = -2;
    PPVector<float> interpolated;
    PPVector<float> transformed;  // empty when the target is the root
};

class BDBoxGrid : public IBaseData {
public:
    void readV2(BReader& br) override;
    IBaseContext* init(ModelContext& mc) override;
    void setupInterpolate(ModelContext& mc, IBaseContext* ctx) override;
    void setupTransform(ModelContext& mc, IBaseContext* ctx) override;
    void transformPoints(ModelContext& mc, IBaseContext* ctx, const float* src, float* dst, int count, int offset,
                         int stride) override;
    int getType() override { return 2; }

    int pointCount() const { return (nx + 1) * (ny + 1); }

    int32_t ny = 0, nx = 0;
    PivotManager* pivotManager = nullptr;
    PPVector<FloatArray*> grids;
};

}  // namespace puppet
