// The character voice of the current message: one whole-sound voice, its length in milliseconds and
// in frames, and whether it is still playing.
#pragma once
#include <cstdint>
#include <string>

#include "engine/audio/USXAudio2.h"

class CVoiceBuffer {
public:
    CVoiceBuffer() = default;
    CVoiceBuffer(const CVoiceBuffer&) = delete;
    CVoiceBuffer& operator=(const CVoiceBuffer&) = delete;
    virtual ~CVoiceBuffer();
    // An empty name clears the clip (false); the name already loaded is kept (true); otherwise the
    // voice is set up for the file. On failure the clip is cleared.
    bool Load(const char* fileName);
    // Plays the loaded clip once at the voice volume scaled by n / d.
    void Play(uint32_t n, uint32_t d);
    void Stop();
    // Playing and no longer ago than the clip's length.
    bool IsPlaying() const;

    uint32_t GetLengthFrames() const { return lengthFrames_; }
    uint32_t GetLengthMsec() const { return lengthMsec_; }
    bool IsLoaded() const { return loaded_ != 0; }
    const std::string& GetFileName() const { return fileName_; }
    USXAudio2::SourceVoiceHandle GetHandle() const { return handle_; }

private:
    void Clear();

    USXAudio2::SourceVoiceHandle handle_;
    uint32_t lengthFrames_ = 0;
    std::string fileName_;
    uint32_t loaded_ = 0;
    uint8_t playing_ = 0;
    uint32_t startTime_ = 0;
    uint32_t lengthMsec_ = 0;
};
