// The base classes: media types that own their format block, and the video renderer's COM side.
#include <cstdlib>
#include <cstring>

#include <streams.h>

CMediaType::CMediaType() : AM_MEDIA_TYPE{} {}

CMediaType::CMediaType(const CMediaType& other) : AM_MEDIA_TYPE{} { *this = other; }

CMediaType& CMediaType::operator=(const CMediaType& other) {
    if (this == &other) return *this;
    BYTE* format = pbFormat;
    static_cast<AM_MEDIA_TYPE&>(*this) = other;
    pbFormat = nullptr;
    cbFormat = 0;
    std::free(format);
    SetFormat(other.pbFormat, other.cbFormat);
    return *this;
}

CMediaType::~CMediaType() { std::free(pbFormat); }

bool CMediaType::SetFormat(const BYTE* format, ULONG length) {
    BYTE* copy = nullptr;
    if (length > 0) {
        copy = static_cast<BYTE*>(std::malloc(length));
        if (!copy) return false;
        std::memcpy(copy, format, length);
    }
    std::free(pbFormat);
    pbFormat = copy;
    cbFormat = length;
    return true;
}

CBaseVideoRenderer::CBaseVideoRenderer(REFCLSID clsid, LPCTSTR, LPUNKNOWN, HRESULT* result) : m_clsid(clsid) {
    if (result) *result = S_OK;
}

HRESULT CBaseVideoRenderer::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IBaseFilter) {
        *object = static_cast<IBaseFilter*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CBaseVideoRenderer::AddRef() { return ++m_refs; }

ULONG CBaseVideoRenderer::Release() {
    ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
}

HRESULT CBaseVideoRenderer::SetMediaType(const CMediaType*) { return S_OK; }
