// Render sources: loading, releasing, saving and rebuilding the entries of the source tables.
#include "novel/render/RenderSource.h"

#include <algorithm>
#include <vector>

namespace RenderSource {

using SaveIO::ReadString;
using SaveIO::ReadU32;
using SaveIO::WriteString;
using SaveIO::WriteU32;

namespace {

// The image size and the size the device allocated for a texture.
void TextureSizes(TextureHandle handle, float& w, float& h, float& allocW, float& allocH) {
    CUSDefoTexture* t = GetTexture(handle);
    UINT iw = 0, ih = 0;
    t->GetSize(&iw, &ih);
    w = static_cast<float>(iw);
    h = static_cast<float>(ih);
    allocW = static_cast<float>(t->GetLevelDesc().Width);
    allocH = static_cast<float>(t->GetLevelDesc().Height);
}

// Places a w x h picture at offset (or centred) and maps it onto the allocated texture.
void PlaceRect(float* rect, float* uv, float w, float h, float allocW, float allocH, const Offset* offset) {
    rect[0] = offset ? offset->x : w * -0.5f;
    rect[1] = offset ? offset->y : h * -0.5f;
    rect[2] = rect[0] + w;
    rect[3] = rect[1] + h;
    uv[0] = uv[1] = 0.0f;
    uv[2] = allocW > 0 ? w / allocW : 0.0f;
    uv[3] = allocH > 0 ? h / allocH : 0.0f;
}

}  // namespace

// ---- CSingleTexture ----

void CSingleTexture::Release() {
    GetTextureManager().Release(texture);
    fileName.clear();
}

bool CSingleTexture::Create(const char* file, D3DFORMAT fmt, const Offset* offset) {
    TextureHandle loaded;
    if (!CreateTextureFromImage(&loaded, file, fmt)) return false;
    Release();
    texture = loaded;
    float w, h, allocW, allocH;
    TextureSizes(texture, w, h, allocW, allocH);
    PlaceRect(rect, uv, w, h, allocW, allocH, offset);
    fileName = file;
    format = fmt;
    return true;
}

bool CSingleTexture::CreateWithParts(const char* file, const char* partsFile, D3DFORMAT fmt) {
    TextureHandle loaded;
    if (!CreateTextureFromImage(&loaded, file, fmt)) return false;
    float w, h, allocW, allocH;
    TextureSizes(loaded, w, h, allocW, allocH);
    CPartsRenderInfo3 table;
    if (table.Load(partsFile, allocW, allocH, false) != 1 || table.Count() == 0) {
        GetTextureManager().Release(loaded);
        return false;
    }
    Release();
    texture = loaded;
    const Offset origin{table.GetPart(0)->g0, table.GetPart(0)->g1};
    PlaceRect(rect, uv, w, h, allocW, allocH, &origin);
    fileName = file;
    format = fmt;
    return true;
}

void CSingleTexture::Save(OStream& out) const {
    WriteString(out, fileName);
    WriteU32(out, format);
    WriteFloats(out, rect, 4);
    WriteFloats(out, uv, 4);
}

void CSingleTexture::Load(IStream& in, std::uint32_t) {
    std::string name = ReadString(in);
    std::uint32_t fmt = ReadU32(in);
    if (name.empty())
        Release();
    else
        Create(name.c_str(), static_cast<D3DFORMAT>(fmt));
    ReadFloats(in, rect, 4);
    ReadFloats(in, uv, 4);
}

// ---- CPartsTexture ----

bool CPartsTexture::Create(const char* textureFile, D3DFORMAT fmt, const char* partsFile) {
    TextureHandle loaded;
    if (!CreateTextureFromImage(&loaded, textureFile, fmt)) return false;
    float w, h, allocW, allocH;
    TextureSizes(loaded, w, h, allocW, allocH);
    // A parts file that fails leaves the parts table as it was, so the old sheet stays whole.
    if (parts.Load(partsFile, allocW, allocH, false) != 1) {
        GetTextureManager().Release(loaded);
        return false;
    }
    Release();
    texture = loaded;
    format = fmt;
    textureFileName = textureFile;
    partsFileName = partsFile;
    return true;
}

void CPartsTexture::ReleaseTexture() {
    GetTextureManager().Release(texture);
    textureFileName.clear();
}

void CPartsTexture::Save(OStream& out) const {
    WriteU32(out, format);
    WriteString(out, textureFileName);
    WriteString(out, partsFileName);
}

void CPartsTexture::Load(IStream& in, std::uint32_t) {
    std::uint32_t fmt = ReadU32(in);
    std::string textureName = ReadString(in);
    std::string partsName = ReadString(in);
    if (!textureName.empty() && !partsName.empty())
        Create(textureName.c_str(), static_cast<D3DFORMAT>(fmt), partsName.c_str());
}

// ---- CRenderBuffer ----

void CRenderBuffer::Release() { GetTextureManager().Release(texture); }

bool CRenderBuffer::Create(D3DFORMAT fmt, std::uint32_t w, std::uint32_t h, const Offset* offset) {
    TextureHandle created;
    if (!CreateTexture(&created, fmt, w, h, 1)) return false;
    Release();
    texture = created;
    float iw, ih, allocW, allocH;
    TextureSizes(texture, iw, ih, allocW, allocH);
    PlaceRect(rect, uv, static_cast<float>(w), static_cast<float>(h), allocW, allocH, offset);
    format = fmt;
    width = w;
    height = h;
    return true;
}

void CRenderBuffer::SetAsRenderTarget() {
    if (CUSDefoTexture* t = GetTexture(texture)) t->SetAsRenderTarget(0);
}

void CRenderBuffer::Save(OStream& out) const {
    WriteU32(out, format);
    WriteU32(out, width);
    WriteU32(out, height);
    WriteFloats(out, rect, 4);
    WriteFloats(out, uv, 4);
}

void CRenderBuffer::Load(IStream& in, std::uint32_t) {
    std::uint32_t fmt = ReadU32(in);
    std::uint32_t w = ReadU32(in);
    std::uint32_t h = ReadU32(in);
    // An entry that never held a buffer has nothing to rebuild.
    if (w > 0 && h > 0) Create(static_cast<D3DFORMAT>(fmt), w, h);
    ReadFloats(in, rect, 4);
    ReadFloats(in, uv, 4);
}

// ---- MeshSource ----

bool MeshSource::TakeMesh(bool loaded, MeshHandle handle, const char* file, std::int32_t kind) {
    if (!loaded) return false;
    ReleaseMesh();
    mesh = handle;
    meshKind = kind;
    meshFileName = file;
    return true;
}

bool MeshSource::LoadMesh(const char* file) {
    MeshHandle handle;
    bool loaded = CreateMeshFromFile(&handle, file);
    return TakeMesh(loaded, handle, file, 0);
}

bool MeshSource::LoadXMesh(const char* file) {
    MeshHandle handle;
    bool loaded = CreateMeshFromXFile(&handle, file);
    return TakeMesh(loaded, handle, file, 1);
}

void MeshSource::ReleaseMesh() {
    GetMeshManager().Release(mesh);
    meshFileName.clear();
    meshKind = -1;
}

bool MeshSource::LoadTexture(const char* file, D3DFORMAT format) {
    TextureHandle loaded;
    if (!CreateTextureFromImage(&loaded, file, format)) return false;
    ReleaseTexture();
    texture = loaded;
    textureFormat = format;
    textureFileName = file;
    return true;
}

void MeshSource::ReleaseTexture() {
    GetTextureManager().Release(texture);
    textureFileName.clear();
}

void MeshSource::Save(OStream& out) const {
    WriteString(out, meshFileName);
    WriteU32(out, static_cast<std::uint32_t>(meshKind));
    WriteString(out, textureFileName);
    WriteU32(out, textureFormat);
}

void MeshSource::Load(IStream& in, std::uint32_t) {
    Release();
    std::string name = ReadString(in);
    auto kind = static_cast<std::int32_t>(ReadU32(in));
    if (!name.empty() && kind == 0) LoadMesh(name.c_str());
    if (!name.empty() && kind == 1) LoadXMesh(name.c_str());
    std::string textureName = ReadString(in);
    std::uint32_t fmt = ReadU32(in);
    if (!textureName.empty()) LoadTexture(textureName.c_str(), static_cast<D3DFORMAT>(fmt));
}

// ---- Puppet models ----

void PuppetModelSource::Release() {
    GetPuppetModelTable().Release(model);
    modelFileName.clear();
    textureFileNames.clear();
    motionFileNames.clear();
}

bool PuppetModelSource::LoadModel(const char* file) {
    PuppetModelHandle loaded;
    if (!CreatePuppetModel(loaded, file)) return false;
    Release();
    model = loaded;
    modelFileName = file;
    DXPuppetModel* m = GetPuppetModel(model);
    for (int i = 0; i < 4; ++i) m->AddMotionQueue();
    return true;
}

bool PuppetModelSource::AddTexture(const char* file) {
    DXPuppetModel* m = GetPuppetModel(model);
    if (!m || !m->LoadTexture(file)) return false;
    textureFileNames.emplace_back(file);
    return true;
}

bool PuppetModelSource::AddMotion(const char* file) {
    DXPuppetModel* m = GetPuppetModel(model);
    if (file[0] == '\0') {
        // The empty name keeps its number in the model too: a load replays the list by position.
        if (m) m->AddEmptyMotion();
        motionFileNames.emplace_back();
        return true;
    }
    if (!m || !m->LoadMotion(file)) return false;
    motionFileNames.emplace_back(file);
    return true;
}

bool PuppetModelSource::SetMotion(std::uint32_t index, const char* file) {
    DXPuppetModel* m = GetPuppetModel(model);
    if (!m || !m->SetMotion(static_cast<int>(index), file)) return false;
    // The name list mirrors the model's motion table, gaps as empty names, so that a load puts
    // every motion back at its position.
    if (motionFileNames.size() <= index) motionFileNames.resize(index + 1);
    motionFileNames[index] = file;
    return true;
}

void PuppetModelSource::Save(OStream& out) const {
    WriteString(out, modelFileName);
    WriteU32(out, static_cast<std::uint32_t>(textureFileNames.size()));
    for (const std::string& name : textureFileNames) WriteString(out, name);
    WriteU32(out, static_cast<std::uint32_t>(motionFileNames.size()));
    for (const std::string& name : motionFileNames) WriteString(out, name);
}

void PuppetModelSource::Load(IStream& in, std::uint32_t) {
    Release();
    std::string name = ReadString(in);
    if (!name.empty()) LoadModel(name.c_str());
    for (std::uint32_t n = ReadU32(in); n > 0; --n) AddTexture(ReadString(in).c_str());
    std::uint32_t motions = ReadU32(in);
    for (std::uint32_t i = 0; i < motions; ++i) {
        std::string motion = ReadString(in);
        if (motion.empty() || !SetMotion(i, motion.c_str())) {
            if (motionFileNames.size() <= i) motionFileNames.resize(i + 1);
        }
    }
}

// ---- tables ----

template <class T>
void tRenderSourceManager<T>::Save(OStream& out) const {
    WriteU32(out, count_);
    for (std::uint32_t i = 0; i < count_; ++i) pool_[i].Save(out);
    for (std::uint32_t i = 0; i < count_; ++i) WriteU32(out, order_[i]);
}

template <class T>
void tRenderSourceManager<T>::Load(IStream& in, std::uint32_t version) {
    Release();
    std::uint32_t count = ReadU32(in);
    // Every source record takes at least four bytes: a count beyond the data is a broken record,
    // not a reason to allocate that many entries.
    if (count > (in.GetSize() - in.GetPosition()) / 4) throw USLib::stream_error("render source count too large");
    Allocate(count);
    for (std::uint32_t i = 0; i < count_; ++i) pool_[i].Load(in, version);
    std::vector<std::uint32_t> order(count_);
    std::vector<bool> seen(count_, false);
    bool permutation = true;
    for (std::uint32_t& o : order) {
        o = ReadU32(in);
        permutation = permutation && o < count_ && !seen[o];
        if (permutation) seen[o] = true;
    }
    // A damaged order (not a permutation of the entries) keeps the identity.
    if (permutation) std::copy(order.begin(), order.end(), order_.get());
}

template class tRenderSourceManager<CSingleTexture>;
template class tRenderSourceManager<CPartsTexture>;
template class tRenderSourceManager<CRenderBuffer>;
template class tRenderSourceManager<PuppetModelSource>;
template class tRenderSourceManager<MeshSource>;

void CRenderSourceManager::ReleaseAll() {
    singleTextures.Release();
    partsTextures.Release();
    renderBuffers.Release();
    puppetModels.Release();
    meshes.Release();
}

void CRenderSourceManager::Save(OStream& out) const {
    singleTextures.Save(out);
    partsTextures.Save(out);
    renderBuffers.Save(out);
    puppetModels.Save(out);
    meshes.Save(out);
}

void CRenderSourceManager::Load(IStream& in, std::uint32_t version) {
    singleTextures.Load(in, version);
    partsTextures.Load(in, version);
    renderBuffers.Load(in, version);
    puppetModels.Load(in, version);
    meshes.Load(in, version);
}

}  // namespace RenderSource
