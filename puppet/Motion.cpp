// Motion files, their playback on a model, and motion queues with fades.
#include "puppet/Motion.h"

#include <algorithm>
#include <cmath>

#include "puppet/APuppetModel.h"
#include "puppet/Ut.h"

namespace puppet {
namespace {
bool isLineEnd(char c) { return c == '\r' || c == '\n'; }
bool isSeparator(char c) { return c == ',' || c == ' ' || c == '\t'; }
bool isKeyStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

// Reads the values after "=" up to the line end; a byte that starts no number is skipped.
void readValues(const char* text, int lineEnd, int pos, PPVector<float>& out) {
    while (pos < lineEnd) {
        if (isSeparator(text[pos])) {
            ++pos;
            continue;
        }
        int end = pos;
        float v = UtString::strToFloat(text, lineEnd, pos, &end);
        if (end == pos) {
            ++pos;
            continue;
        }
        out.push_back(v);
        pos = end;
    }
}

// The curve kind of a "LAYOUT:" name, or -1 when it names none.
int layoutKind(const char* name) {
    static const struct {
        const char* prefix;
        int kind;
    } kinds[] = {{"ANCHOR_X", Motion::LAYOUT_ANCHOR_X}, {"ANCHOR_Y", Motion::LAYOUT_ANCHOR_Y},
                 {"SCALE_X", Motion::LAYOUT_SCALE_X},   {"SCALE_Y", Motion::LAYOUT_SCALE_Y},
                 {"X", Motion::LAYOUT_X},               {"Y", Motion::LAYOUT_Y}};
    for (const auto& k : kinds)
        if (UtString::startsWith(name, k.prefix)) return k.kind;
    return -1;
}

int64_t now() { return UtSystem::getUserTimeMSec(); }
}  // namespace

int Motion::paramIndex(APuppetModel* model) {
    ModelContext& mc = model->getModelContext();
    if (cachedModel != model || cachedInitVersion != mc.getInitVersion() || cachedIndex < 0) {
        if (!paramId) paramId = ParamID::getID(targetName);
        cachedIndex = mc.getParamIndex(paramId);
        cachedModel = model;
        cachedInitVersion = mc.getInitVersion();
    }
    return cachedIndex;
}

PuppetMotion::PuppetMotion() = default;

PuppetMotion::~PuppetMotion() = default;

PuppetMotion* PuppetMotion::loadMotion(const char* text, int length) {
    auto* motion = new PuppetMotion;
    int i = 0;
    while (i < length) {
        char c = text[i];
        if (isLineEnd(c)) {
            ++i;
            continue;
        }
        if (c != '#' && c != '$' && !isKeyStart(c)) {
            ++i;
            continue;
        }
        int lineEnd = i;
        while (lineEnd < length && !isLineEnd(text[lineEnd])) ++lineEnd;
        int eq = i;
        while (eq < lineEnd && text[eq] != '=') ++eq;
        if (c == '#' || eq == lineEnd) {  // a comment, or a line without "="
            i = lineEnd;
            continue;
        }
        PPString key(text + i, eq - i);
        if (c == '$') {
            PPVector<float> values;
            readValues(text, lineEnd, eq + 1, values);
            if (key.equals("$fps"))
                for (float v : values)
                    if (v > 5.0f && v < 121.0f) motion->fps = v;
        } else {
            auto curve = std::make_unique<Motion>();
            if (UtString::startsWith(key.c_str(), "VISIBLE:")) {
                curve->kind = Motion::VISIBLE;
                curve->targetName = key;
            } else if (UtString::startsWith(key.c_str(), "LAYOUT:")) {
                curve->targetName = PPString(key.c_str() + 7);
                curve->kind = layoutKind(curve->targetName.c_str());
            } else {
                curve->kind = Motion::PARAM;
                curve->targetName = key;
            }
            readValues(text, lineEnd, eq + 1, curve->values);
            // A layout name this runtime does not know is ignored.
            if (curve->kind >= 0) {
                motion->maxFrames = std::max(motion->maxFrames, curve->values.size());
                motion->curves.push_back(std::move(curve));
            }
        }
        i = lineEnd;
    }
    motion->durationMsec = static_cast<int>(static_cast<float>(motion->maxFrames) * 1000.0f / motion->fps);
    return motion;
}

void PuppetMotion::updateParamExe(APuppetModel* model, int64_t now, float w, MotionQueueEnt* entry) {
    int64_t elapsed = std::max<int64_t>(now - entry->startTime, 0);
    float position = static_cast<float>(elapsed) * fps * 0.001f;
    int frame = static_cast<int>(position);
    float fraction = position - static_cast<float>(frame);
    ModelContext& mc = model->getModelContext();
    for (const auto& curve : curves) {
        int n = curve->values.size();
        if (n == 0) continue;
        float a = curve->values[std::min(frame, n - 1)];
        float b = curve->values[std::min(frame + 1, n - 1)];
        if (curve->kind == Motion::VISIBLE) {
            mc.setParamFloat(curve->paramIndex(model), a);
        } else if (curve->kind >= Motion::LAYOUT_X) {
            model->setLayout(static_cast<APuppetModel::Layout>(curve->kind - Motion::LAYOUT_X), a + (b - a) * fraction);
        } else {
            int index = curve->paramIndex(model);
            float cur = mc.getParamFloat(index);
            float threshold = (mc.getParamMax(index) - mc.getParamMin(index)) * 0.4f;
            // A step larger than 40 % of the parameter's range is a jump, not a movement.
            float v = std::fabs(b - a) <= threshold ? a + (b - a) * fraction : a;
            mc.setParamFloat(index, cur + (v - cur) * w);
        }
    }
    if (frame >= maxFrames) {
        if (loop) {
            entry->startTime = now;
            entry->fadeInStartTime = now;
        } else {
            entry->finished = true;
        }
    }
}

void AMotion::updateParam(APuppetModel* model, MotionQueueEnt* entry) {
    if (!entry->available || entry->finished) return;
    int64_t t = now();
    if (!entry->started) {
        entry->started = true;
        entry->startTime = t - startOffsetMsec;
        entry->fadeInStartTime = t;
        if (entry->endTime < 0) {
            int duration = getDurationMSec();
            if (duration > 0) entry->endTime = entry->startTime + duration;
        }
    }
    float fadeIn = fadeInMsec == 0
                       ? 1.0f
                       : UtMotion::getEasingSine(static_cast<float>(t - entry->fadeInStartTime) / static_cast<float>(fadeInMsec));
    float fadeOut = fadeOutMsec == 0 || entry->endTime < 0
                        ? 1.0f
                        : UtMotion::getEasingSine(static_cast<float>(entry->endTime - t) / static_cast<float>(fadeOutMsec));
    updateParamExe(model, t, fadeIn * fadeOut * weight, entry);
    if (entry->endTime > 0 && entry->endTime < t) entry->finished = true;
}

MotionQueueEnt::MotionQueueEnt(AMotion* m, bool autoDel) : motion(m), autoDelete(autoDel) {
    static int counter = 0;
    number = counter++;
}

MotionQueueEnt::~MotionQueueEnt() {
    if (autoDelete) delete motion;
}

void MotionQueueEnt::startFadeout(int fadeOutMsec) {
    int64_t t = now() + fadeOutMsec;
    if (endTime >= 0 && endTime <= t) return;
    endTime = t;
}

MotionQueueManager::~MotionQueueManager() {
    // Newest first.
    while (!entries_.empty()) entries_.remove(entries_.size() - 1);
}

int MotionQueueManager::startMotion(AMotion* motion, bool autoDelete) {
    for (const std::unique_ptr<MotionQueueEnt>& e : entries_)
        if (e && e->motion) e->startFadeout(e->motion->fadeOutMsec);
    if (!motion) return -1;
    auto entry = std::make_unique<MotionQueueEnt>(motion, autoDelete);
    const int number = entry->number;
    entries_.push_back(std::move(entry));
    return number;
}

bool MotionQueueManager::updateParam(APuppetModel* model) {
    bool updated = false;
    for (int i = 0; i < entries_.size(); ++i) {
        MotionQueueEnt* e = entries_.at(i, 3).get();
        if (e && e->motion) {
            e->motion->updateParam(model, e);
            updated = true;
            if (!e->finished) continue;
        }
        entries_.remove(i--);
    }
    return updated;
}

bool MotionQueueManager::isFinished() {
    for (int i = 0; i < entries_.size(); ++i) {
        MotionQueueEnt* e = entries_.at(i, 3).get();
        if (!e || !e->motion) {
            entries_.remove(i--);
            continue;
        }
        if (!e->finished) return false;
    }
    return true;
}

void MotionQueueManager::stopAllMotions() { entries_.clear(); }

}  // namespace puppet
