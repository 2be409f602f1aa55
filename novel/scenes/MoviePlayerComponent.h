// A movie on the screen: a movie player that decodes into a texture, and a render object that draws
// that texture on a screen-sized quad, centred, in a colour (alpha included) set every frame.
#pragma once
#include "engine/movie/DShowMovie.h"
#include "engine/render/RenderObject.h"

class MoviePlayerComponent {
public:
    MoviePlayerComponent() = default;
    MoviePlayerComponent(const MoviePlayerComponent&) = delete;
    MoviePlayerComponent& operator=(const MoviePlayerComponent&) = delete;
    virtual ~MoviePlayerComponent() { MoviePlayerComponent::Release(); }

    // Makes the render object and its constant set; no movie yet.
    virtual void Setup();
    // Releases the render object and the constant set, then closes the movie.
    virtual void Release();
    // Releases the player and the texture.
    virtual void Close();
    // Opens the movie (a file name relative to the program's folder) with a texture of its size and
    // binds it to the quad; false (with a log line) when it cannot be played.
    virtual bool Open(const char* name);
    virtual void Play();
    // Once per frame: the newest movie frame into the texture.
    virtual void Update();
    virtual void Stop();
    // False when there is no player or the movie has ended.
    virtual bool IsPlaying();
    virtual void SetColor(const float* rgba);
    virtual void SetColor(float r, float g, float b, float a);

    RenderObjectHandle GetRenderObjectHandle() const { return object_; }

private:
    CDShowMovieGrabTexture* Player() const { return GetMovieGrabTexture(player_); }

    Handle<_tagDShowMovieGrabTexture> player_;
    TextureHandle texture_;
    RenderObjectHandle object_;
    VSParamHandle params_;
};
