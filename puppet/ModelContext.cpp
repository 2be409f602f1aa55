// ModelContext: builds the per-model state from the model data and runs one frame's update.
#include "puppet/ModelContext.h"

#include <algorithm>
#include <cmath>

#include "puppet/BaseData.h"
#include "puppet/DrawParam.h"
#include "puppet/ModelData.h"

namespace puppet {

ModelContext::ModelContext() = default;
ModelContext::~ModelContext() { release(); }

void ModelContext::release() {
    baseData_.clear();
    baseContexts_.clear();
    drawData_.clear();
    drawContexts_.clear();
    partsData_.clear();
    partsContexts_.clear();
    drawOrder_.clear();
    paramIds_.clear();
    paramValues_.clear();
    paramLast_.clear();
    paramMin_.clear();
    paramMax_.clear();
    paramUpdated_.clear();
}

void ModelContext::init(ModelImpl* model) {
    ++initVersion_;
    release();
    PPVector<IBaseData*> waiting;
    std::vector<std::unique_ptr<IBaseContext>> waitingContexts;
    for (int i = 0; i < model->parts.size(); ++i) {
        PartsData* parts = model->parts[i];
        partsData_.push_back(parts);
        partsContexts_.emplace_back(parts->initContext());
        for (IBaseData* b : parts->baseData) {
            std::unique_ptr<IBaseContext> ctx(b->init(*this));
            ctx->partsIndex = i;
            waiting.push_back(b);
            waitingContexts.push_back(std::move(ctx));
        }
        for (IDrawData* d : parts->drawData) {
            std::unique_ptr<IDrawContext> ctx(d->init(*this));
            ctx->partsIndex = i;
            drawData_.push_back(d);
            drawContexts_.push_back(std::move(ctx));
        }
    }
    // Every deformer comes after the deformer it is attached to; those whose parent never
    // appears are left out.
    for (bool placed = true; placed;) {
        placed = false;
        for (int i = 0; i < waiting.size(); ++i) {
            BaseDataID* target = waiting[i]->targetId;
            if (!target || target == BaseDataID::DST_BASE_ID() || getBaseDataIndex(target) >= 0) {
                baseData_.push_back(waiting[i]);
                baseContexts_.push_back(std::move(waitingContexts[i]));
                waiting.remove(i);
                waitingContexts.erase(waitingContexts.begin() + i);
                --i;
                placed = true;
            }
        }
    }
    if (model->paramDefSet) {
        for (ParamDefFloat* def : model->paramDefSet->paramDefs) {
            paramIds_.push_back(def->paramId);
            paramValues_.push_back(def->defaultValue);
            paramLast_.push_back(def->defaultValue);
            paramMin_.push_back(def->minValue);
            paramMax_.push_back(def->maxValue);
            paramUpdated_.push_back(1);
        }
    }
    needsUpdate_ = true;
}

void ModelContext::update() {
    for (int i = 0; i < paramIds_.size(); ++i) {
        if (paramValues_[i] != paramLast_[i]) {
            paramUpdated_[i] = 1;
            paramLast_[i] = paramValues_[i];
        }
    }
    for (int i = 0; i < baseData_.size(); ++i) {
        baseData_[i]->setupInterpolate(*this, baseContexts_[i].get());
        baseData_[i]->setupTransform(*this, baseContexts_[i].get());
    }
    for (int i = 0; i < drawData_.size(); ++i) {
        drawData_[i]->setupInterpolate(*this, drawContexts_[i].get());
        drawData_[i]->setupTransform(*this, drawContexts_[i].get());
    }
    // Lower draw orders first; equal orders keep the model's order.
    drawOrder_.resize(drawData_.size());
    for (int i = 0; i < drawData_.size(); ++i) drawOrder_[i] = i;
    std::stable_sort(drawOrder_.begin(), drawOrder_.end(),
                     [&](int a, int b) { return drawContexts_[a]->drawOrder < drawContexts_[b]->drawOrder; });
    for (unsigned char& flag : paramUpdated_) flag = 0;
    needsUpdate_ = false;
}

void ModelContext::draw(DrawParam_D3D& dp) {
    dp.setupDraw();
    for (int i : drawOrder_) {
        IDrawContext* ctx = drawContexts_[i].get();
        if (!ctx->available || ctx->outOfRange) continue;
        ctx->partsOpacity = partsContexts_[ctx->partsIndex]->opacity;
        drawData_[i]->draw(dp, *this, ctx);
    }
}

void ModelContext::deviceLost() {
    for (int i = 0; i < drawData_.size(); ++i) drawData_[i]->deviceLost(drawContexts_[i].get());
}

int ModelContext::getParamIndex(ParamID* id) {
    for (int i = paramIds_.size(); i-- > 0;)
        if (paramIds_[i] == id) return i;
    paramIds_.push_back(id);
    paramValues_.push_back(0.0f);
    paramLast_.push_back(0.0f);
    paramMin_.push_back(-1000000.0f);
    paramMax_.push_back(1000000.0f);
    paramUpdated_.push_back(1);
    return paramIds_.size() - 1;
}

float ModelContext::getParamFloat(int index) {
    if (index < 0 || index >= paramValues_.size())
        throw PuppetException(PPString("out of range ModelDrawContext@getParamFloat()"));
    return paramValues_[index];
}

void ModelContext::setParamFloat(int index, float value) {
    if (index < 0 || index >= paramValues_.size())
        throw PuppetException(PPString("out of range ModelDrawContext@setParamFloat()"));
    if (std::isnan(value)) value = 0.0f;
    paramValues_[index] = std::clamp(value, paramMin_[index], paramMax_[index]);
}

int ModelContext::getBaseDataIndex(BaseDataID* id) {
    for (int i = baseData_.size(); i-- > 0;)
        if (baseData_[i]->id == id) return i;
    return -1;
}

int ModelContext::getDrawDataIndex(DrawDataID* id) {
    for (int i = drawData_.size(); i-- > 0;)
        if (drawData_[i]->id == id) return i;
    return -1;
}

IBaseData* ModelContext::getBaseData(int index) {
    if (index < 0 || index >= baseData_.size()) throw PuppetException(PPString("out of range ModelDrawContext@getBaseData()"));
    return baseData_[index];
}

IBaseContext* ModelContext::getBaseContext(int index) {
    if (index < 0 || static_cast<size_t>(index) >= baseContexts_.size())
        throw PuppetException(PPString("out of range ModelDrawContext@getBaseData()"));
    return baseContexts_[index].get();
}

IDrawData* ModelContext::getDrawData(int index) {
    if (index < 0 || index >= drawData_.size()) throw PuppetException(PPString("out of range ModelDrawContext@getBaseData()"));
    return drawData_[index];
}

IDrawContext* ModelContext::getDrawContext(int index) {
    if (index < 0 || static_cast<size_t>(index) >= drawContexts_.size())
        throw PuppetException(PPString("out of range ModelDrawContext@getBaseData()"));
    return drawContexts_[index].get();
}

}  // namespace puppet
