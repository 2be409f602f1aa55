// APuppetModel: the model file's header, root object and end mark, and the per-frame update.
#include "puppet/APuppetModel.h"

#include "puppet/ModelData.h"
#include "puppet/UtDebug.h"

namespace puppet {

void APuppetModel::loadModel(APuppetModel* model, const uint8_t* buffer, int size) {
    BReader br(buffer, size, false);
    int version = 0;
    uint8_t magic[3] = {br.readByte(), br.readByte(), br.readByte()};
    if (magic[0] == 'p' && magic[1] == 'u' && magic[2] == 'p') {
        version = br.readByte();
    } else {
        br.back(3);
    }
    if (version > MAX_VERSION) {
        model->errorFlags_ |= ERROR_VERSION;
        UtDebug::out("Illegal data version ( available : %d < loaded :: %d )@APuppetModel#loadModel()\n", MAX_VERSION,
                     version);
        return;
    }
    br.setFormatVersion(version);
    ModelImpl* root = nullptr;
    try {
        PPObject* o = br.readObject(br.readNum());
        root = dynamic_cast<ModelImpl*>(o);
        if (!root) throw PuppetException(PPString("the root object is not a ModelImpl"));
    } catch (const PuppetException& e) {
        // A malformed file: the model stays without data, and the program goes on.
        UtDebug::out("%s @APuppetModel#loadModel()\n", e.what());
        return;
    }
    if (version >= 8 && br.readInt() != END_MARK) {
        model->errorFlags_ |= ERROR_END_MARK;
        UtDebug::out("Assert @APuppetModel#loadModel() / EOF value check\n");
        return;
    }
    model->objects_ = br.takeObjects();
    model->modelImpl_ = root;
    model->init();
}

void APuppetModel::init() {
    if (modelImpl_) context_.init(modelImpl_);
}

void APuppetModel::update() {
    if (modelImpl_) context_.update();
}

const float* APuppetModel::getTransformedPoints(int drawIndex, int* pointCount) {
    if (!modelImpl_ || drawIndex < 0 || drawIndex >= context_.getDrawDataCount()) return nullptr;
    auto* mesh = dynamic_cast<DDTexture*>(context_.getDrawData(drawIndex));
    return mesh ? mesh->getTransformedPoints(context_.getDrawContext(drawIndex), pointCount) : nullptr;
}

}  // namespace puppet
