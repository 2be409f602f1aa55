// Reference-counted frame buffers handed to the renderer.
#include "media_sample.h"

namespace dshow {

MediaSample::MediaSample(size_t size, REFERENCE_TIME start, REFERENCE_TIME end)
    : m_buffer(size), m_start(start), m_end(end) {}

HRESULT MediaSample::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IMediaSample) {
        *object = static_cast<IMediaSample*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG MediaSample::AddRef() { return ++m_refs; }

ULONG MediaSample::Release() {
    ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
}

HRESULT MediaSample::GetPointer(BYTE** buffer) {
    if (!buffer) return E_POINTER;
    *buffer = m_buffer.data();
    return S_OK;
}

LONG MediaSample::GetSize() { return static_cast<LONG>(m_buffer.size()); }

HRESULT MediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
    if (!start || !end) return E_POINTER;
    *start = m_start;
    *end = m_end;
    return S_OK;
}

LONG MediaSample::GetActualDataLength() { return GetSize(); }

}  // namespace dshow
