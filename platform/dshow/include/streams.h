// Our stand-in for the DirectShow base classes the game derives from: the video renderer base,
// media types, and the critical section with its scoped lock.
#pragma once
#include <atomic>
#include <mutex>

#include <dshow.h>

class CCritSec {
public:
    CCritSec() = default;
    CCritSec(const CCritSec&) = delete;
    CCritSec& operator=(const CCritSec&) = delete;
    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }

private:
    std::recursive_mutex m_mutex;
};

class CAutoLock {
public:
    explicit CAutoLock(CCritSec* lock) : m_lock(lock) { m_lock->Lock(); }
    ~CAutoLock() { m_lock->Unlock(); }
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;

private:
    CCritSec* m_lock;
};

// An AM_MEDIA_TYPE that owns its format block.
class CMediaType : public AM_MEDIA_TYPE {
public:
    CMediaType();
    CMediaType(const CMediaType& other);
    CMediaType& operator=(const CMediaType& other);
    ~CMediaType();

    const GUID* Type() const { return &majortype; }
    const GUID* Subtype() const { return &subtype; }
    const GUID* FormatType() const { return &formattype; }
    BYTE* Format() const { return pbFormat; }
    ULONG FormatLength() const { return cbFormat; }
    void SetType(const GUID* type) { majortype = *type; }
    void SetSubtype(const GUID* type) { subtype = *type; }
    void SetFormatType(const GUID* type) { formattype = *type; }
    // Copies the block; false when it cannot be allocated.
    bool SetFormat(const BYTE* format, ULONG length);
};

// Base of an application's video renderer. The graph offers each media type to CheckMediaType,
// announces the accepted one with SetMediaType and calls DoRenderSample on its streaming thread
// at each frame's presentation time.
class CBaseVideoRenderer : public IBaseFilter {
public:
    CBaseVideoRenderer(REFCLSID clsid, LPCTSTR name, LPUNKNOWN outer, HRESULT* result);
    virtual ~CBaseVideoRenderer() = default;
    CBaseVideoRenderer(const CBaseVideoRenderer&) = delete;
    CBaseVideoRenderer& operator=(const CBaseVideoRenderer&) = delete;

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    virtual HRESULT CheckMediaType(const CMediaType* type) = 0;
    virtual HRESULT SetMediaType(const CMediaType* type);
    virtual HRESULT DoRenderSample(IMediaSample* sample) = 0;

protected:
    CLSID m_clsid;

private:
    std::atomic<ULONG> m_refs{0};
};
