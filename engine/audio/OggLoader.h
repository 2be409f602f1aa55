// Ogg Vorbis sounds through vorbisfile: whole loads decode from the file layer's memory image through
// read callbacks, streams decode from a loose file's C stream.
#pragma once
#include <vorbis/vorbisfile.h>

#include <vector>

#include "engine/audio/SoundLoader.h"
#include "engine/files/USFile.h"

namespace USXAudio2 {

class OggLoader : public ISoundLoader {
public:
    OggLoader();
    ~OggLoader() override;

    bool Load(const char* filename) override;
    const unsigned char* GetData() override { return pcm_.empty() ? nullptr : pcm_.data(); }
    bool Seek(std::uint32_t bytePosition) override;
    bool OpenStream(const char* filename) override;
    void Close() override;

protected:
    std::uint32_t ReadPCM(unsigned char* buffer, std::uint32_t size) override;

private:
    // The format and data size from the opened stream's information.
    void BuildFormat();
    void ClearDecoder();
    // vorbisfile callbacks over the memory image; the data source is the loader.
    static size_t ReadImage(void* out, size_t size, size_t count, void* source);
    static int SeekImage(void* source, ogg_int64_t offset, int origin);
    static int CloseImage(void* source);
    static long TellImage(void* source);

    OggVorbis_File vorbis_;
    const unsigned char* image_ = nullptr;
    std::uint32_t imagePos_ = 0;
    std::uint32_t imageSize_ = 0;
    std::vector<unsigned char> pcm_;
    CUSFile file_;
};

}  // namespace USXAudio2
