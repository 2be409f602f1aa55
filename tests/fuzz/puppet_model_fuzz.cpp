// Fuzz target: Puppet model files, loaded and updated at each parameter's default, minimum and maximum.
#include <cstdint>

#include "puppet/APuppetModel.h"
#include "puppet/ModelContext.h"

namespace {
// A model without a drawing back end.
class ReadModel : public puppet::APuppetModel {};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ReadModel model;
    puppet::APuppetModel::loadModel(&model, data, static_cast<int>(size));
    model.update();
    puppet::ModelContext& context = model.getModelContext();
    for (int i = 0; i < context.getParamCount(); ++i) {
        for (float value : {context.getParamMin(i), context.getParamMax(i)}) {
            context.setParamFloat(i, value);
            model.update();
        }
    }
    return 0;
}
