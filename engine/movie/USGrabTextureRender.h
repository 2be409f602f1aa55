// The game's own video renderer: DirectShow's streaming thread hands it each frame, which it keeps;
// once per game frame the main thread copies the newest frame into the movie texture.
#pragma once
#include <streams.h>

#include <cstdint>

#include "engine/resources/USHandle.h"

struct _tagUSTexture;

class CUSGrabTextureRender : public CBaseVideoRenderer {
public:
    explicit CUSGrabTextureRender(HRESULT* result);
    ~CUSGrabTextureRender() override;

    // Only 24-bit RGB in a VIDEOINFOHEADER: DirectShow converts any other output to it.
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    // Streaming thread: keeps the sample (with a reference, so its buffer outlives the graph's use).
    HRESULT DoRenderSample(IMediaSample* sample) override;

    // The texture frames are copied into; its format is read from its level 0.
    void SetTexture(Handle<_tagUSTexture> texture);
    // Main thread: copies the newest frame into the texture when it changed.
    virtual void UpdateTexture();
    virtual void CopyToTexture(IMediaSample* sample);

    std::int32_t GetVideoWidth() const { return videoWidth_; }
    std::int32_t GetVideoHeight() const { return videoHeight_; }

private:
    CCritSec lock_;
    Handle<_tagUSTexture> texture_;
    std::uint32_t format_ = 0;
    std::int32_t videoWidth_ = 0;
    std::int32_t videoHeight_ = 0;
    std::uint32_t sourcePitch_ = 0;
    IMediaSample* latestSample_ = nullptr;
    std::uint32_t changed_ = 0;
};
