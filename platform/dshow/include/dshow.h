// Our stand-in for <dshow.h>: a filter graph that plays a movie file over FFmpeg, handing video
// frames to an application renderer and sound to the XAudio2 stand-in.
#pragma once
#include <windows.h>

using REFERENCE_TIME = LONGLONG;  // 100 ns units

extern const CLSID CLSID_FilterGraph;
extern const IID IID_IBaseFilter;
extern const IID IID_IMediaSample;
extern const IID IID_IGraphBuilder;
extern const IID IID_IMediaControl;
extern const IID IID_IMediaEvent;
extern const IID IID_IVideoWindow;
extern const GUID MEDIATYPE_Video;
extern const GUID MEDIATYPE_Audio;
extern const GUID MEDIASUBTYPE_RGB24;
extern const GUID FORMAT_VideoInfo;

#define EC_COMPLETE 0x01

struct AM_MEDIA_TYPE {
    GUID majortype;
    GUID subtype;
    BOOL bFixedSizeSamples;
    BOOL bTemporalCompression;
    ULONG lSampleSize;
    GUID formattype;
    IUnknown* pUnk;
    ULONG cbFormat;
    BYTE* pbFormat;
};

struct VIDEOINFOHEADER {
    RECT rcSource;
    RECT rcTarget;
    DWORD dwBitRate;
    DWORD dwBitErrorRate;
    REFERENCE_TIME AvgTimePerFrame;
    BITMAPINFOHEADER bmiHeader;
};

// One decoded frame's buffer. Its contents stay valid while a reference is held.
struct IMediaSample : IUnknown {
    virtual HRESULT GetPointer(BYTE** buffer) = 0;
    virtual LONG GetSize() = 0;
    virtual HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) = 0;
    virtual LONG GetActualDataLength() = 0;
};

struct IBaseFilter : IUnknown {};

struct IFilterGraph : IUnknown {
    // The graph keeps a reference to the filter until it is released itself.
    virtual HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) = 0;
};

struct IGraphBuilder : IFilterGraph {
    // Opens the file and connects its video to the added renderer, its sound to the audio output.
    virtual HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) = 0;
};

struct IMediaControl : IUnknown {
    virtual HRESULT Run() = 0;
    virtual HRESULT Stop() = 0;
};

struct IMediaEvent : IUnknown {
    // E_ABORT when no event arrives within msTimeout.
    virtual HRESULT GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) = 0;
    virtual HRESULT FreeEventParams(LONG eventCode, LONG_PTR param1, LONG_PTR param2) = 0;
};

struct IVideoWindow : IUnknown {};

namespace dshow::hooks {
// Free running: graphs started afterwards hand every frame over as soon as it is decoded, none
// dropped, without waiting for its presentation time (null reference clock). Tests use it to
// check frame contents and counts independently of machine load.
void SetFreeRunning(bool freeRunning);
}  // namespace dshow::hooks
