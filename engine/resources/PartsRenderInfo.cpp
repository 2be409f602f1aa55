// Parts render info reader and writer.
#include "engine/resources/PartsRenderInfo.h"

#include <cstring>

#include "engine/files/USFile.h"
#include "engine/util/USLogManager.h"

namespace {
constexpr char kMagic[16] = {'P', 'A', 'R', 'S', 'T', 'R', 'E', 'N', 'D', 'E', 'R', 'I', 'N', 'F', 'O', '_'};
constexpr std::uint32_t kVersion = 4;
constexpr std::uint32_t kHeadSize = 24, kRecordSize = 32;
constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005);
}  // namespace

void CPartsInfo3::Load(USLib::binary_istream& stream, float width, float height, bool flip) {
    float f[8];
    stream.Read(f, sizeof f);
    g0 = f[0];
    g1 = flip ? -f[1] : f[1];
    g2 = f[2];
    g3 = flip ? -f[3] : f[3];
    t0 = f[4], t1 = f[5], t2 = f[6], t3 = f[7];
    tu0 = static_cast<float>(static_cast<double>(t0) / width);
    tv0 = static_cast<float>(static_cast<double>(t1) / height);
    tu1 = static_cast<float>(static_cast<double>(t2) / width);
    tv1 = static_cast<float>(static_cast<double>(t3) / height);
}

void CPartsInfo3::Save(IUSFileAccessor& accessor) const {
    const float f[8] = {g0, g1, g2, g3, t0, t1, t2, t3};
    accessor.Write(f, sizeof f);
}

void CPartsRenderInfo3::Clear() {
    parts_.clear();
}

CPartsInfo3* CPartsRenderInfo3::AddPart() {
    parts_.push_back(std::make_unique<CPartsInfo3>());
    return parts_.back().get();
}

std::int32_t CPartsRenderInfo3::Load(const char* fileName, float width, float height, bool flip) {
    CUSFile file;
    if (!file.LoadShared(fileName)) return kFail;
    std::uint32_t version = 0, count = 0;
    if (file.size >= kHeadSize) {
        std::memcpy(&version, file.data + 16, 4);
        std::memcpy(&count, file.data + 20, 4);
    }
    if (file.size < kHeadSize || std::memcmp(file.data, kMagic, 16) != 0 || version != kVersion) {
        US_LOG("パーツ情報ファイル[%s]の形式が違います\n", fileName);
        return kFail;
    }
    // The count must match the records present; a short file is refused, not read past its end.
    if (static_cast<unsigned long long>(count) * kRecordSize > file.size - kHeadSize) {
        US_LOG("パーツ情報ファイル[%s]が途中で切れています\n", fileName);
        return kFail;
    }
    USLib::binary_istream stream;
    stream.Attach(file.data, file.size);
    stream.Skip(kHeadSize);
    Clear();
    for (std::uint32_t i = 0; i < count; ++i) AddPart()->Load(stream, width, height, flip);
    return 1;
}

void CPartsRenderInfo3::Save(const char* fileName) const {
    CUSFileCtrlEX file;
    file.OpenSave(fileName);
    file.Write(kMagic, 16);
    std::uint32_t head[2] = {kVersion, Count()};
    file.Write(head, 8);
    for (const auto& p : parts_) p->Save(file);
    file.Close();
}
