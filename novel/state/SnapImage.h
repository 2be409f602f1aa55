// The snapshot: a small picture of the game screen kept as R, G, B bytes, saved with every game as
// the record "SnapImage" so that the save screens can show a thumbnail of each slot.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/util/USSingleton.h"
#include "novel/state/SavedObject.h"

class CSnapImage : public ISavedObject<_tagSaveData> {
public:
    static CSnapImage* GetInstance() { return CUSSingleton<CSnapImage>::GetInstance(); }

    // Record: u32 width, u32 height, width x height x 3 pixel bytes, u8 from-file flag, the file name
    // and a zero byte.
    void Save(USLib::binary_ostream<256>& out) override;
    void Load(USLib::binary_istream& in, uint32_t version) override;

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
};
