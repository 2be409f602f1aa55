// The runtime state of one model: parameter values, the deformers in update order and the meshes
// with their per-frame contexts, and the order in which meshes are drawn.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "puppet/ID.h"
#include "puppet/PivotManager.h"

namespace puppet {

class ModelImpl;
class IBaseData;
class IBaseContext;
class IDrawData;
class IDrawContext;
class PartsData;
class PartsDataContext;
class DrawParam_D3D;

class ModelContext {
public:
    ModelContext();
    ModelContext(const ModelContext&) = delete;
    ModelContext& operator=(const ModelContext&) = delete;
    ~ModelContext();

    void init(ModelImpl* model);
    void update();
    void draw(DrawParam_D3D& dp);
    // Every mesh releases its device objects.
    void deviceLost();
    // Draw-data indices in drawing order after the last update.
    const PPVector<int>& drawOrder() const { return drawOrder_; }

    // Parameters.
    int getParamIndex(ParamID* id);  // appends an unknown parameter
    int getParamCount() const { return paramIds_.size(); }
    float getParamFloat(int index);
    void setParamFloat(int index, float value);
    float getParamMin(int index) { return paramMin_.at(index); }
    float getParamMax(int index) { return paramMax_.at(index); }
    bool isParamUpdated(int index) { return paramUpdated_.at(index) != 0; }

    // Deformers and meshes, searched last to first; -1 when absent.
    int getBaseDataIndex(BaseDataID* id);
    int getDrawDataIndex(DrawDataID* id);
    IBaseData* getBaseData(int index);
    IBaseContext* getBaseContext(int index);
    IDrawData* getDrawData(int index);
    IDrawContext* getDrawContext(int index);
    int getDrawDataCount() const { return drawData_.size(); }

    int getInitVersion() const { return initVersion_; }
    bool needsUpdate() const { return needsUpdate_; }
    uint16_t* pivotTable() { return pivotTable_; }
    float* pivotWeights() { return pivotWeights_; }

private:
    void release();

    PPVector<ParamID*> paramIds_;
    PPVector<float> paramValues_, paramLast_, paramMin_, paramMax_;
    PPVector<unsigned char> paramUpdated_;

    PPVector<IBaseData*> baseData_;
    std::vector<std::unique_ptr<IBaseContext>> baseContexts_;
    PPVector<IDrawData*> drawData_;
    std::vector<std::unique_ptr<IDrawContext>> drawContexts_;
    PPVector<PartsData*> partsData_;
    std::vector<std::unique_ptr<PartsDataContext>> partsContexts_;
    PPVector<int> drawOrder_;  // draw-data indices, lowest draw order first

    bool needsUpdate_ = false;
    int initVersion_ = 0;
    uint16_t pivotTable_[PIVOT_TABLE_SIZE] = {};
    float pivotWeights_[PIVOT_TABLE_SIZE] = {};
};

}  // namespace puppet
