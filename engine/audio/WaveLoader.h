// WAV sounds through the mmio RIFF reader: whole loads from the file layer's memory image, streams
// from a loose file read at the data chunk's offset.
#pragma once
#include <vector>

#include "engine/audio/SoundLoader.h"
#include "engine/files/USFile.h"

namespace USXAudio2 {

class WaveLoader : public ISoundLoader {
public:
    ~WaveLoader() override;

    bool Load(const char* filename) override;
    const unsigned char* GetData() override { return pcm_.empty() ? nullptr : pcm_.data(); }
    bool Seek(std::uint32_t bytePosition) override;
    bool OpenStream(const char* filename) override;
    void Close() override;
    // Walks RIFF "WAVE" to the "fmt " and "data" chunks and leaves the handle at the first data byte;
    // on failure the handle is closed.
    virtual bool LoadCommonProc(HMMIO mmio);

protected:
    std::uint32_t ReadPCM(unsigned char* buffer, std::uint32_t size) override;

private:
    std::uint32_t fmtSize_ = 0;
    std::vector<unsigned char> pcm_;
    std::uint32_t dataOffset_ = 0;
    CUSFile file_;
};

}  // namespace USXAudio2
