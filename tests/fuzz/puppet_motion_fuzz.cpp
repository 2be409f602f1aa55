// Fuzz target: Puppet motion files, parsed and played on a small model at a run of clock times (with
// its fades and loop), beside a second motion that the first one fades out.
#include <cstdint>
#include <memory>
#include <string>

#include "puppet/APuppetModel.h"
#include "puppet/Motion.h"
#include "puppet/Ut.h"
#include "tools/puppet_writer/PuppetWriter.h"

namespace {
class ReadModel : public puppet::APuppetModel {};

ReadModel& Model() {
    static ReadModel* model = [] {
        puppet_writer::ModelDescription description;
        std::string error;
        puppet_writer::ParseDescription(
            "param PARAM_A -30 30 0\nparam PARAM_B 0 1 1\npart PARTS_HEAD\naffine D_HEAD DST_BASE\n"
            "pivots PARAM_A -30 30\nkey 0 0 1 1 0\nkey 10 0 1 1 0\n",
            description, error);
        const std::vector<std::uint8_t> bytes = puppet_writer::WriteModel(description);
        auto* m = new ReadModel;
        puppet::APuppetModel::loadModel(m, bytes.data(), static_cast<int>(bytes.size()));
        return m;
    }();
    return *model;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ReadModel& model = Model();
    puppet::MotionQueueManager queue;
    std::unique_ptr<puppet::PuppetMotion> first(
        puppet::PuppetMotion::loadMotion(reinterpret_cast<const char*>(data), static_cast<int>(size)));
    std::unique_ptr<puppet::PuppetMotion> second(
        puppet::PuppetMotion::loadMotion(reinterpret_cast<const char*>(data), static_cast<int>(size)));
    puppet::UtSystem::setUserTimeMSec(1000);
    queue.startMotion(second.get(), false);
    for (std::int64_t t : {1000, 1010, 1500}) {
        puppet::UtSystem::setUserTimeMSec(t);
        queue.updateParam(&model);
    }
    queue.startMotion(first.get(), false);
    for (std::int64_t t : {1500, 1517, 1733, 2600, 9000, 100000, 100001}) {
        puppet::UtSystem::setUserTimeMSec(t);
        queue.updateParam(&model);
        model.update();
    }
    queue.stopAllMotions();
    puppet::UtSystem::setUserTimeMSec(0);
    return 0;
}
