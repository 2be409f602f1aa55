// Parts render info files ("PARSTRENDERINFO_"): the parts of one texture atlas, each with four
// geometry values and its rectangle in the texture, turned into texture coordinates for a size.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/files/USFileAccessor.h"
#include "engine/save/USBinaryStream.h"

class CPartsInfo3 {
public:
    virtual ~CPartsInfo3() = default;
    // Takes the next 32 bytes; with flip, g1 and g3 change sign.
    virtual void Load(USLib::binary_istream& stream, float textureWidth, float textureHeight, bool flip);
    virtual void Save(IUSFileAccessor& accessor) const;

    float g0 = 0, g1 = 0, g2 = 0, g3 = 0;
    float t0 = 0, t1 = 0, t2 = 0, t3 = 0;
    float tu0 = 0, tv0 = 0, tu1 = 0, tv1 = 0;
};

class CPartsRenderInfo3 {
public:
    CPartsRenderInfo3() = default;
    CPartsRenderInfo3(const CPartsRenderInfo3&) = delete;
    CPartsRenderInfo3& operator=(const CPartsRenderInfo3&) = delete;
    virtual ~CPartsRenderInfo3() { Clear(); }
    virtual void Clear();
    virtual CPartsInfo3* AddPart();
    virtual CPartsInfo3* GetPart(std::uint32_t index) { return parts_.at(index).get(); }
    // 1 on success; E_FAIL when the file cannot be read or is not a parts file of version 4 (the
    // list then stays as it was).
    virtual std::int32_t Load(const char* fileName, float textureWidth, float textureHeight, bool flip);
    // Writes the list back; failures surface as CUSFileError.
    virtual void Save(const char* fileName) const;
    std::uint32_t Count() const { return static_cast<std::uint32_t>(parts_.size()); }

private:
    std::vector<std::unique_ptr<CPartsInfo3>> parts_;
};
