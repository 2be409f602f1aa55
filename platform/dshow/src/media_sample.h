// A decoded frame as the renderer receives it: a reference-counted buffer with its times.
#pragma once
#include <atomic>
#include <vector>

#include <dshow.h>

namespace dshow {

class MediaSample final : public IMediaSample {
public:
    // Starts with one reference, held by the creator.
    MediaSample(size_t size, REFERENCE_TIME start, REFERENCE_TIME end);

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetPointer(BYTE** buffer) override;
    LONG GetSize() override;
    HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
    LONG GetActualDataLength() override;

    BYTE* Data() { return m_buffer.data(); }

private:
    ~MediaSample() = default;
    std::atomic<ULONG> m_refs{1};
    std::vector<BYTE> m_buffer;
    REFERENCE_TIME m_start;
    REFERENCE_TIME m_end;
};

}  // namespace dshow
