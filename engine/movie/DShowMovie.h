// Movie players: the player interface, the filter-graph player that resolves a movie file and
// drives the graph, and the player that plays into a texture through the game's own renderer.
#pragma once
#include <dshow.h>

#include <cstdint>
#include <mutex>
#include <string>

#include "engine/movie/USGrabTextureRender.h"
#include "engine/resources/USHandle.h"

struct _tagDShowMovieGrabTexture;

class IDShowMovie {
public:
    virtual ~IDShowMovie() = default;
    virtual void Release() = 0;
    virtual bool Open(const char* name) = 0;
    virtual bool Play() = 0;
    virtual bool Stop() = 0;
    virtual bool IsPlaying() = 0;
    virtual void GetVideoSize(std::uint32_t* width, std::uint32_t* height) = 0;
};

class CDefoDShowMovie : public IDShowMovie {
public:
    ~CDefoDShowMovie() override;
    // Stops and drops the graph.
    void Release() override;
    bool Play() override;
    bool Stop() override;
    // False exactly once per end event: when the graph reports that every stream has ended.
    bool IsPlaying() override;
    void GetVideoSize(std::uint32_t* width, std::uint32_t* height) override;
    // The movie file in the program's folder as a wide path (260 characters); drops any earlier graph.
    virtual bool ResolvePath(const char* name, WCHAR* widePath);

protected:
    std::uint32_t opened_ = 0;
    std::uint32_t playing_ = 0;
    std::string fileName_;
    std::uint32_t videoWidth_ = 0;
    std::uint32_t videoHeight_ = 0;
    std::mutex lock_;
    IGraphBuilder* graphBuilder_ = nullptr;
    IMediaControl* mediaControl_ = nullptr;
    IMediaEvent* mediaEvent_ = nullptr;
    IVideoWindow* videoWindow_ = nullptr;
};

class CDShowMovieGrabTexture : public CDefoDShowMovie {
public:
    ~CDShowMovieGrabTexture() override;
    void Release() override;
    bool Open(const char* name) override;
    virtual void SetTexture(Handle<_tagUSTexture> texture);
    // Main thread, once per frame: the newest frame into the texture.
    virtual void Update();

private:
    CUSGrabTextureRender* renderer_ = nullptr;  // one reference of ours while set
};

// Creates and opens a player; on success the handle manager owns it and writes its handle.
bool CreateMovieGrabTexture(Handle<_tagDShowMovieGrabTexture>* out, const char* name);
// The player a handle names; null for 0 or a stale handle.
CDShowMovieGrabTexture* GetMovieGrabTexture(const Handle<_tagDShowMovieGrabTexture>& handle);
using MovieGrabTextureManagerType = CUSHandleManager<CDShowMovieGrabTexture, Handle<_tagDShowMovieGrabTexture>>;
// The one manager of movie players; releasing a handle deletes its player.
MovieGrabTextureManagerType& MovieGrabTextureManager();
