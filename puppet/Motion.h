// Motions: text motion files that write parameter and layout values into a model over time,
// motion queues that fade a starting motion in while the running ones fade out, and the eye
// blink settings made with every model.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "puppet/ID.h"
#include "puppet/PPString.h"
#include "puppet/PPVector.h"

namespace puppet {

class APuppetModel;
class MotionQueueEnt;

class AMotion {
public:
    virtual ~AMotion() = default;
    virtual int getDurationMSec() { return -1; }
    virtual void updateParamExe(APuppetModel* model, int64_t now, float weight, MotionQueueEnt* entry) = 0;

    // Starts the entry on its first call, weighs the fades and applies the motion.
    void updateParam(APuppetModel* model, MotionQueueEnt* entry);

    int fadeInMsec = 1000;
    int fadeOutMsec = 1000;
    float weight = 1.0f;
    int startOffsetMsec = 0;
};

// One curve of a motion file.
class Motion {
public:
    enum Kind { PARAM = 0, VISIBLE = 1, LAYOUT_X = 100, LAYOUT_Y, LAYOUT_ANCHOR_X, LAYOUT_ANCHOR_Y, LAYOUT_SCALE_X, LAYOUT_SCALE_Y };

    // The parameter's index in the model, looked up once per model (and added when absent).
    int paramIndex(APuppetModel* model);

    PPString targetName;
    ParamID* paramId = nullptr;
    int cachedIndex = -1;
    APuppetModel* cachedModel = nullptr;
    int cachedInitVersion = -1;
    PPVector<float> values;
    int kind = PARAM;
};

class PuppetMotion : public AMotion {
public:
    PuppetMotion();
    ~PuppetMotion() override;

    // Parses a motion file; never null.
    static PuppetMotion* loadMotion(const char* text, int length);

    int getDurationMSec() override { return loop ? -1 : durationMsec; }
    void updateParamExe(APuppetModel* model, int64_t now, float weight, MotionQueueEnt* entry) override;

    std::vector<std::unique_ptr<Motion>> curves;
    float fps = 30.0f;
    int maxFrames = 0;
    int durationMsec = -1;
    bool loop = false;
};

class MotionQueueEnt {
public:
    // Deletes the motion with the entry when autoDel is set.
    MotionQueueEnt(AMotion* m, bool autoDel);
    MotionQueueEnt(const MotionQueueEnt&) = delete;
    MotionQueueEnt& operator=(const MotionQueueEnt&) = delete;
    virtual ~MotionQueueEnt();

    // Ends the entry fadeOutMsec from now, unless it already ends sooner.
    void startFadeout(int fadeOutMsec);

    AMotion* motion;
    bool autoDelete;
    bool available = true;
    bool finished = false;
    bool started = false;
    int64_t startTime = -1;
    int64_t fadeInStartTime = 0;
    int64_t endTime = -1;
    int number;
};

class MotionQueueManager {
public:
    MotionQueueManager() = default;
    MotionQueueManager(const MotionQueueManager&) = delete;
    MotionQueueManager& operator=(const MotionQueueManager&) = delete;
    virtual ~MotionQueueManager();

    // Fades out everything running and starts the motion; the entry's number, or -1 for null.
    int startMotion(AMotion* motion, bool autoDelete);
    // Applies every running motion to the model and drops finished entries; true when any ran.
    bool updateParam(APuppetModel* model);
    // True when nothing unfinished runs.
    bool isFinished();
    void stopAllMotions();

    const PPVector<std::unique_ptr<MotionQueueEnt>>& entries() const { return entries_; }

private:
    PPVector<std::unique_ptr<MotionQueueEnt>> entries_;
};

// Eye-blink settings. The system creates one per model and never advances it.
class EyeBlinkMotion {
public:
    virtual ~EyeBlinkMotion() = default;
    void setInterval(int msec) { intervalMsec = msec; }

    PPString eyeLParamName{"PARAM_EYE_L_OPEN"};
    PPString eyeRParamName{"PARAM_EYE_R_OPEN"};
    int intervalMsec = 4000;
    int closingMsec = 100;
    int closedMsec = 50;
    int openingMsec = 150;
    bool flag = true;
    int64_t time = 0;
};

}  // namespace puppet
