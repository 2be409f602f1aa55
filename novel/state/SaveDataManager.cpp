// Save files of the game: names, writing and reading every saved object, slot information.
#include "novel/state/SaveDataManager.h"

#include <windows.h>

#include <algorithm>
#include <memory>

#include <boost/format.hpp>

#include "engine/device/AppDeviceInfo.h"
#include "engine/resources/PixelOperators.h"

#include "engine/util/USLogManager.h"
#include "novel/state/SaveFile.h"
#include "novel/state/SavedObject.h"
#include "novel/state/SnapImage.h"

namespace {
std::string g_saveNameFormat = "save_%05d.sav";
std::string g_quickSavePath = "save\\q.sav";

// Throws save_error when a file of a sealed format has no check record or one that does not match.
void CheckSealed(SaveDataLoader4::SaveData& data) {
    if (data.GetVersion() >= kSaveFormatSealed) SaveFile::CheckSeal(data);
}

}  // namespace

std::string GetSavePath(int32_t slot) {
    if (slot == -1) return g_quickSavePath;
    try {
        return (boost::format(g_saveNameFormat) % slot).str();
    } catch (const std::exception&) {
        return std::string();
    }
}

void SetSaveName(const std::string& format) { g_saveNameFormat = format; }
void SetQuickSavePath(const std::string& path) { g_quickSavePath = path; }

int32_t CSaveDataInfoNode::GetDigit(uint32_t i) const {
    auto two = [](uint32_t v, uint32_t k) { return static_cast<int32_t>(k == 0 ? v / 10 % 10 : v % 10); };
    switch (i) {
    case 0: return slot / 100;
    case 1: return slot / 10 % 10;
    case 2: return slot % 10;
    case 3: return static_cast<int32_t>(year / 1000);
    case 4: return static_cast<int32_t>(year / 100 % 10);
    case 5: return static_cast<int32_t>(year / 10 % 10);
    case 6: return static_cast<int32_t>(year % 10);
    case 7: case 8: return two(month, i - 7);
    case 9: case 10: return two(day, i - 9);
    case 11: case 12: return two(hour, i - 11);
    case 13: case 14: return two(minute, i - 13);
    case 15: case 16: return two(second, i - 15);
    default: return 0;
    }
}

void CSaveDataManager::Clear() {
    nodes_.clear();
    totalSlots_ = visibleCount_ = 0;
}

void CSaveDataManager::Setup(int32_t totalSlots, int32_t visibleCount) {
    Clear();
    totalSlots_ = totalSlots;
    visibleCount_ = visibleCount > 0 ? visibleCount : 0;
    nodes_.resize(static_cast<size_t>(visibleCount_));
}

void CSaveDataManager::Refresh() {
    for (int32_t i = 0; i < visibleCount_; ++i) ReadSlotInfo(nodes_[i], viewTop_ + i);
    RefreshQuick();
}

void CSaveDataManager::SetViewTop(int32_t top) {
    if (top < 0) top = 0;
    if (totalSlots_ <= visibleCount_ + top) top = totalSlots_ - visibleCount_;
    if (top == viewTop_) return;
    viewTop_ = top;
    Refresh();
}

void CSaveDataManager::SetDigitLayout(uint32_t i, float x, float y, float z) {
    if (i >= 17) return;
    digitLayout_[i][0] = x;
    digitLayout_[i][1] = y;
    digitLayout_[i][2] = z;
}

std::unique_ptr<SaveDataLoader4::SaveData> CSaveDataManager::SaveToMemory() {
    auto data = std::make_unique<SaveDataLoader4::SaveData>();
    ISavedObject<_tagSaveData>::Snapshot(*data, kSaveFormatVersion);
    return data;
}

bool CSaveDataManager::SaveToFile(const char* path) {
    try {
        SaveDataLoader4::SaveData data;
        data.SetVersion(kSaveFormatVersion);
        ISavedObject<_tagSaveData>::SaveAll(data);
        SaveFile::Seal(data);
        SaveFile::Write(path, data);
        return true;
    } catch (const std::exception& e) {
        US_LOG("Failed to save %s (%s)\n", path, e.what());
        return false;
    }
}

bool CSaveDataManager::LoadFromFile(const char* path, SaveDataLoader4::SaveData* before) {
    bool applying = false;
    try {
        SaveDataLoader4::SaveData data;
        SaveFile::Read(path, data);
        if (data.GetVersion() == 0 || data.GetVersion() > kSaveFormatVersion) {
            US_LOG("Cannot load %s: it was saved in format %u by %s version of the game; this version reads "
                   "format %u\n",
                   path, data.GetVersion(), data.GetVersion() < kSaveFormatVersion ? "an older" : "a newer",
                   kSaveFormatVersion);
        } else {
            CheckSealed(data);
            std::unique_ptr<SaveDataLoader4::SaveData> now = before ? nullptr : SaveToMemory();
            applying = true;
            ISavedObject<_tagSaveData>::LoadAll(data, before ? *before : *now);
            return true;
        }
    } catch (const std::exception& e) {
        US_LOG("Failed to load %s (%s)\n", path, e.what());
    }
    // A file refused before any of it was read into the game: a caller that changed the game since it
    // kept `before` gets that state back (a load that failed while applying went back to it itself).
    if (before && !applying) {
        try {
            ISavedObject<_tagSaveData>::Restore(*before);
        } catch (const std::exception& e) {
            US_LOG("The game before the load of %s could not be restored (%s)\n", path, e.what());
        }
    }
    return false;
}

void CSaveDataManager::ReadSlotInfo(CSaveDataInfoNode& node, int32_t slot) {
    node.slot = slot;
    node.exists = 0;
    const std::string path = GetSavePath(slot);
    WIN32_FIND_DATAA found;
    HANDLE find = path.empty() ? INVALID_HANDLE_VALUE : FindFirstFileA(path.c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    FindClose(find);
    FILETIME local;
    SYSTEMTIME time;
    FileTimeToLocalFileTime(&found.ftLastWriteTime, &local);
    FileTimeToSystemTime(&local, &time);
    node.year = time.wYear;
    node.month = time.wMonth;
    node.day = time.wDay;
    node.hour = time.wHour;
    node.minute = time.wMinute;
    node.second = time.wSecond;
    try {
        const CSaveDataKey key("SnapImage", 0);
        // The whole file is read, so that a damaged one never shows as a slot that could be loaded.
        SaveDataLoader4::SaveData data;
        SaveFile::Read(path.c_str(), data);
        CheckSealed(data);
        SaveDataLoader4::save_istream reader = data.OpenReader(key);
        CSnapImage snapshot;
        snapshot.Load(reader, data.GetVersion());
        node.thumbnailPixels = snapshot.GetPixelBytes();
        node.exists = 1;
    } catch (const std::exception& e) {
        US_LOG("Save file %s cannot be read (%s); its slot shows as empty\n", path.c_str(), e.what());
        node.exists = 0;
        return;
    }
    if (node.thumbnailTexture.IsNull()) {
        uint32_t width, height;
        CSnapImage::GetInstance()->GetSize(&width, &height);
        const D3DFORMAT format = CUSSingleton<CUSAppDeviceInfo>::GetInstance()->opaqueTexture.GetFormat();
        if (width && height && CreateTexture(&node.thumbnailTexture, format, width, height, 0)) {
            const D3DSURFACE_DESC& desc = GetTexture(node.thumbnailTexture)->GetLevelDesc();
            const float w = static_cast<float>(width), h = static_cast<float>(height);
            const float quad[4] = {-0.5f, -0.5f, w - 0.5f, h - 0.5f};
            const float uv[4] = {0.0f, 0.0f, w / static_cast<float>(desc.Width), h / static_cast<float>(desc.Height)};
            std::copy(quad, quad + 4, node.quad);
            std::copy(uv, uv + 4, node.uv);
        }
    }
    UploadThumbnail(node);
}

void CSaveDataManager::UploadThumbnail(CSaveDataInfoNode& node) {
    CUSDefoTexture* texture = GetTexture(node.thumbnailTexture);
    if (!node.exists || !texture) return;
    uint32_t width, height;
    CSnapImage::GetInstance()->GetSize(&width, &height);
    // A file written for another snapshot size: only the rows it holds are copied.
    const uint32_t rows = width ? std::min<uint32_t>(height, node.thumbnailPixels.size() / (size_t{width} * 3)) : 0;
    std::unique_ptr<IPixelOperator> writer = CreatePixelOperator(texture->GetFormat());
    D3DLOCKED_RECT locked;
    if (!writer || texture->GetD3DTexture()->LockRect(0, &locked, nullptr, 0) < 0) return;
    writer->Attach(static_cast<uint8_t*>(locked.pBits), static_cast<uint32_t>(locked.Pitch));
    writer->SetRect(0, 0, width, rows);
    writer->Begin();
    const uint8_t* rgb = node.thumbnailPixels.data();
    for (uint32_t y = 0; y < rows; ++y, writer->NextRow()) {
        for (uint32_t x = 0; x < width; ++x, rgb += 3) writer->WritePixel(rgb[0], rgb[1], rgb[2], 255);
    }
    texture->GetD3DTexture()->UnlockRect(0);
}
