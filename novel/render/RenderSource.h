// Render sources: the drawable resources that renderers show (single textures, parts sheets, render
// buffers, meshes), kept in tables of fixed kind that scripts size and fill by index, saved by file
// name and rebuilt from those names when a game is loaded.
#pragma once
#include <d3d9.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/resources/Mesh.h"
#include "engine/resources/PartsRenderInfo.h"
#include "engine/resources/Texture.h"
#include "engine/save/USBinaryStream.h"
#include "novel/vm/SaveIO.h"
#include "puppet/DXPuppetModel.h"

namespace RenderSource {

using OStream = USLib::binary_ostream<256>;
using IStream = USLib::binary_istream;

// An optional offset of the picture's top-left corner from the renderer's origin.
struct Offset {
    float x, y;
};

// One image as a texture; rect is where it sits around the renderer's origin (pixels), uv the part
// of the texture the image covers.
class CSingleTexture {
public:
    CSingleTexture() = default;
    CSingleTexture(const CSingleTexture&) = delete;
    CSingleTexture& operator=(const CSingleTexture&) = delete;
    virtual ~CSingleTexture() { Release(); }
    virtual void Release();
    virtual void Load(IStream& in, std::uint32_t version);
    // Without an offset the image is centred on the origin.
    virtual bool Create(const char* file, D3DFORMAT format, const Offset* offset = nullptr);
    // The origin is the offset of the parts file's first part.
    virtual bool CreateWithParts(const char* file, const char* partsFile, D3DFORMAT format);
    virtual void Save(OStream& out) const;

    TextureHandle texture;
    std::string fileName;
    std::uint32_t format = 0;
    float rect[4] = {};
    float uv[4] = {};
};

// A texture sheet with its table of parts.
class CPartsTexture {
public:
    CPartsTexture() = default;
    CPartsTexture(const CPartsTexture&) = delete;
    CPartsTexture& operator=(const CPartsTexture&) = delete;
    virtual ~CPartsTexture() { Release(); }
    virtual void Release() { ReleaseTexture(); }
    // False, with the previous sheet and its parts kept, when the texture or the parts file fails.
    virtual bool Create(const char* textureFile, D3DFORMAT format, const char* partsFile);
    virtual void ReleaseTexture();
    virtual void Save(OStream& out) const;
    virtual void Load(IStream& in, std::uint32_t version);

    TextureHandle texture;
    std::uint32_t format = 0;
    std::string textureFileName;
    CPartsRenderInfo3 parts;
    std::string partsFileName;
};

// An off-screen render-target texture that layers can be drawn into.
class CRenderBuffer {
public:
    CRenderBuffer() = default;
    CRenderBuffer(const CRenderBuffer&) = delete;
    CRenderBuffer& operator=(const CRenderBuffer&) = delete;
    virtual ~CRenderBuffer() { Release(); }
    virtual void Release();
    virtual bool Create(D3DFORMAT format, std::uint32_t width, std::uint32_t height, const Offset* offset = nullptr);
    virtual void SetAsRenderTarget();
    virtual void Save(OStream& out) const;
    virtual void Load(IStream& in, std::uint32_t version);

    TextureHandle texture;
    std::uint32_t format = 0, width = 0, height = 0;
    float rect[4] = {};
    float uv[4] = {};
};

// A mesh (engine mesh file or DirectX .x file) with its texture.
class MeshSource {
public:
    MeshSource() = default;
    MeshSource(const MeshSource&) = delete;
    MeshSource& operator=(const MeshSource&) = delete;
    virtual ~MeshSource() { Release(); }
    virtual void Release() {
        ReleaseMesh();
        ReleaseTexture();
    }
    virtual bool LoadMesh(const char* file);
    virtual bool LoadXMesh(const char* file);
    virtual void ReleaseMesh();
    virtual bool LoadTexture(const char* file, D3DFORMAT format);
    virtual void ReleaseTexture();
    virtual void Save(OStream& out) const;
    virtual void Load(IStream& in, std::uint32_t version);

    std::string meshFileName;
    MeshHandle mesh;
    std::int32_t meshKind = -1;  // -1 none, 0 mesh file, 1 .x file
    std::string textureFileName;
    std::uint32_t textureFormat = 0;
    TextureHandle texture;

private:
    bool TakeMesh(bool loaded, MeshHandle handle, const char* file, std::int32_t kind);
};

// A Puppet model with the names of its files, so that a load can rebuild it.
class PuppetModelSource {
public:
    PuppetModelSource() = default;
    PuppetModelSource(const PuppetModelSource&) = delete;
    PuppetModelSource& operator=(const PuppetModelSource&) = delete;
    virtual ~PuppetModelSource() { Release(); }
    virtual void Release();
    virtual void Load(IStream& in, std::uint32_t version);
    // Replaces the entry's model by a new one with motion queues 0 to 3; false leaves it as it was.
    virtual bool LoadModel(const char* file);
    virtual bool AddTexture(const char* file);
    // An empty name only keeps a place in the motion list.
    virtual bool AddMotion(const char* file);
    virtual bool SetMotion(std::uint32_t index, const char* file);
    virtual void Save(OStream& out) const;

    PuppetModelHandle model;
    std::string modelFileName;
    std::vector<std::string> textureFileNames;
    std::vector<std::string> motionFileNames;
};

// A table of count sources of one kind; script index i means pool[order[i]].
template <class T>
class tRenderSourceManager {
public:
    tRenderSourceManager() = default;
    tRenderSourceManager(const tRenderSourceManager&) = delete;
    tRenderSourceManager& operator=(const tRenderSourceManager&) = delete;
    virtual ~tRenderSourceManager() { Release(); }
    virtual void Release() {
        order_.reset();
        pool_.reset();
        count_ = 0;
    }
    virtual void Allocate(std::uint32_t count) {
        Release();
        if (count == 0) return;
        pool_ = std::make_unique<T[]>(count);
        order_ = std::make_unique<std::uint32_t[]>(count);
        for (std::uint32_t i = 0; i < count; ++i) order_[i] = i;
        count_ = count;
    }
    // Null for an index at or beyond the count.
    virtual T* GetSource(std::uint32_t index) { return index < count_ ? &pool_[order_[index]] : nullptr; }
    // Ignored unless both indexes are below the count.
    virtual void SwapOrder(std::uint32_t i, std::uint32_t j) {
        if (i < count_ && j < count_) std::swap(order_[i], order_[j]);
    }
    virtual void Save(OStream& out) const;
    virtual void Load(IStream& in, std::uint32_t version);

    std::uint32_t Count() const { return count_; }

private:
    std::unique_ptr<T[]> pool_;
    std::unique_ptr<std::uint32_t[]> order_;
    std::uint32_t count_ = 0;
};

// The render-source tables of the novel system.
class CRenderSourceManager {
public:
    virtual ~CRenderSourceManager() { ReleaseAll(); }
    virtual void ReleaseAll();
    virtual void Save(OStream& out) const;
    virtual void Load(IStream& in, std::uint32_t version);

    tRenderSourceManager<CSingleTexture> singleTextures;
    tRenderSourceManager<CPartsTexture> partsTextures;
    tRenderSourceManager<CRenderBuffer> renderBuffers;
    tRenderSourceManager<PuppetModelSource> puppetModels;
    tRenderSourceManager<MeshSource> meshes;
};

// Floats of the saved records, as their four machine bytes.
inline void WriteFloats(OStream& out, const float* v, std::uint32_t n) { out.Write(v, n * 4); }
inline void ReadFloats(IStream& in, float* v, std::uint32_t n) { in.Read(v, n * 4); }

}  // namespace RenderSource
