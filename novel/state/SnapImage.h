// The snapshot: a small picture of the game screen kept as R, G, B bytes, saved with every game as
// the record "SnapImage" so that the save screens can show a thumbnail of each slot. The scene is drawn
// into the snapshot's own render target and read back, or the picture comes from an image file.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/resources/PixelOperators.h"
#include "engine/resources/Surface.h"
#include "engine/resources/Texture.h"
#include "engine/resources/ZBuffer.h"
#include "engine/util/USSingleton.h"
#include "novel/state/SavedObject.h"

class CSnapImage : public ISavedObject<_tagSaveData> {
public:
    // The drawing resources stay with their handle managers, which free everything at shutdown (the
    // snapshot may outlive them at process exit).
    ~CSnapImage() override { FreePixels(); }
    static CSnapImage* GetInstance() { return CUSSingleton<CSnapImage>::GetInstance(); }

    // Record: u32 width, u32 height, width x height x 3 pixel bytes, u8 from-file flag, the file name
    // and a zero byte.
    void Save(USLib::binary_ostream<256>& out) override;
    void Load(USLib::binary_istream& in, uint32_t version) override;
    // After a load the drawing resources are made again for the loaded size.
    void EndLoad() override { CreateResources(); }
    virtual void Release() {
        FreePixels();
        ReleaseResources();
    }

    // Frees the pixels, keeps the size and allocates width x height x 3 bytes (all 0).
    virtual void SetSize(int32_t width, int32_t height);
    virtual void GetSize(uint32_t* width, uint32_t* height) const {
        *width = width_;
        *height = height_;
    }
    virtual uint32_t GetByteSize() const { return width_ * height_ * 3; }
    virtual void FreePixels();
    virtual uint8_t* GetPixels() { return pixels_.empty() ? nullptr : pixels_.data(); }
    const std::vector<uint8_t>& GetPixelBytes() const { return pixels_; }

    // The render target (in the device's opaque render-target format), its depth buffer, the surface
    // it is read back through and the reader of that format; false when the device refuses them.
    virtual bool CreateResources();
    virtual void ReleaseResources();
    // Before the scene is drawn into the snapshot: the whole game screen maps onto the top-left
    // width x height pixels of the render target, which becomes the device's target with its depth.
    virtual void BeginCapture();
    // Reads width x height pixels from the render target (or from the picture file's surface).
    virtual bool Capture();
    // The next snapshots come from an image file; a file that cannot be read changes nothing.
    void CreateImage(const char* name);
    TextureHandle GetRenderTarget() const { return renderTarget_; }

    bool IsFromFile() const { return fromFile_ != 0; }
    const std::string& GetFileName() const { return fileName_; }
    // The next snapshots come from the frame again.
    void ClearFromFile() {
        fromFile_ = 0;
        fileName_.clear();
    }

private:
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    std::vector<uint8_t> pixels_;
    uint8_t fromFile_ = 0;
    std::string fileName_;
    TextureHandle renderTarget_;
    ZBufferHandle depthBuffer_;
    SurfaceHandle readbackSurface_;
    SurfaceHandle fileSurface_;
    float targetWidth_ = 0, targetHeight_ = 0;
    std::unique_ptr<IPixelOperator> reader_;
};
