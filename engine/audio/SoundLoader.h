// Sound loaders: turn an Ogg Vorbis or WAV file into PCM for the voices, either decoded whole into
// memory or streamed chunk by chunk from a loose file with a loop region and a loop count.
#pragma once
#include <mmsystem.h>

#include <cstdint>
#include <memory>
#include <string>

namespace USXAudio2 {

class ISoundLoader {
public:
    ISoundLoader();
    virtual ~ISoundLoader() = default;
    ISoundLoader(const ISoundLoader&) = delete;
    ISoundLoader& operator=(const ISoundLoader&) = delete;

    // Loads and decodes the whole sound; true on success.
    virtual bool Load(const char* filename) = 0;
    // The decoded PCM of a whole load (null otherwise).
    virtual const unsigned char* GetData() = 0;
    virtual std::uint32_t GetDataSize() { return dataSize_; }
    virtual std::uint32_t BytesToMsec(std::uint32_t bytes);
    virtual std::uint32_t MsecToBytes(std::uint32_t msec);
    virtual std::uint32_t GetLengthMsec() { return BytesToMsec(GetDataSize()); }
    virtual const WAVEFORMATEX* GetWaveFormat() { return &format_; }
    // Streaming position in bytes from the start of the PCM; false (kept) beyond the loop end.
    virtual bool Seek(std::uint32_t bytePosition) = 0;
    // Loop points in milliseconds; false (old value kept) beyond the data. A loop end of 0 is the end.
    virtual bool SetLoopStart(std::uint32_t msec);
    virtual bool SetLoopEnd(std::uint32_t msec);
    // Opens the loose file for streaming; true on success.
    virtual bool OpenStream(const char* filename) = 0;
    // Fills buffer with up to size bytes while streaming; size becomes the bytes written.
    // 0 more data follows, 1 the end of the data was reached, 2 not open for streaming.
    virtual int ReadChunk(void* buffer, std::uint32_t& size);
    virtual bool IsStreaming() { return streaming_ != 0; }
    // The number of passes to play in all; 0 loops endlessly (so does 256, stored as 255).
    virtual void SetLoopCount(std::uint32_t count);
    virtual std::uint32_t AlignToBlock(std::uint32_t bytes);
    virtual void DecrementLoopCount();
    virtual void Close() = 0;

protected:
    static constexpr std::uint32_t kEndless = 255;
    // Reads up to size bytes of PCM at the stream's position; fewer at the physical end of the data.
    virtual std::uint32_t ReadPCM(unsigned char* buffer, std::uint32_t size) = 0;
    // True when no further pass is to be played.
    bool HasEnded() const { return loopCount_ != kEndless && loopCount_ == 0; }
    // Checks a "fmt " record for PCM the mixer plays (8- or 16-bit, mono or stereo, consistent sizes).
    static bool IsPlayableFormat(const WAVEFORMATEX& format);
    // Writes text (UTF-8 here, CP932 on the way out) and the file name (CP932) as one line to the
    // debugger output.
    static void Report(const char* text, const char* filename = nullptr);

    std::uint32_t dataSize_ = 0;
    WAVEFORMATEX format_{};
    std::uint32_t position_ = 0;
    std::uint32_t loopStart_ = 0;
    std::uint32_t loopEnd_ = 0;
    std::uint32_t streaming_ = 0;
    std::uint32_t loopCount_ = 0;

    // Positions stay on whole sample frames, so that every chunk is a whole number of frames.
    std::uint32_t FloorToFrame(std::uint32_t bytes) const;
};

// A new loader for the file name's extension ("wav", "WAV", "ogg", "OGG"), or null.
std::unique_ptr<ISoundLoader> CreateSoundLoader(const char* filename);

}  // namespace USXAudio2
