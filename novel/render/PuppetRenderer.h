// The Puppet renderer (renderer kind 6): shows one Puppet model of the render sources and schedules
// its motions on four channels, each a first-in-first-out queue of motion numbers matched to one of
// the model's motion queues.
#pragma once
#include <cstdint>
#include <deque>

#include "novel/render/ImageRenderers.h"

class PuppetRenderer : public CSpriteRendererBase {
public:
    static constexpr std::uint32_t kChannels = 4;

    struct Entry {
        std::uint32_t motion;
        bool loop;
    };
    struct Channel {
        std::deque<Entry> queue;
        bool enabled = false;
        bool restart = false;
    };

    void SetSource(std::uint32_t source) override { source_ = static_cast<std::int32_t>(source); }
    void Render() override;
    // Plays motion n at once on channel 0, repeating it; channels 1 to 3 start nothing further.
    void SetPatNo(std::uint32_t n) override;
    void PushMotion(std::uint32_t motion) override { Push(motion, false); }
    void PushLoopMotion(std::uint32_t motion) override { Push(motion, true); }
    // Record after the base: source index, blend state word, then each channel's enabled flag and
    // entries.
    void Save(RenderSource::OStream& out) override;
    void Load(RenderSource::IStream& in, std::uint32_t version) override;
    void Restore() override;
    void Setup() override;

    // (Re)starts filling channel c: it becomes the current channel, enabled and empty, and the
    // model's queue c stops.
    void BeginMotion(std::uint32_t c);
    void DisableMotionQueue(std::uint32_t c) {
        if (c < kChannels) channels_[c].enabled = false;
    }
    // Starts the next motion of every enabled channel whose motion has ended; updates the model.
    void UpdateMotion();

    const Channel& GetChannel(std::uint32_t c) const { return channels_[c]; }

private:
    void Push(std::uint32_t motion, bool loop);
    // The model of the source, or null.
    DXPuppetModel* Model();

    std::uint32_t current_ = 0;
    Channel channels_[kChannels];
};
