// Save slots: writing every saved object of the game into a numbered save file or the quick-save file
// and reading it back, the save-file names, and what the save and load screens show of each slot (its
// time stamp and thumbnail).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/resources/Texture.h"
#include "engine/save/SaveData.h"
#include "engine/util/USSingleton.h"

// The file of a slot: -1 the quick-save path, else the save-name format with the slot substituted.
// An unusable format gives an empty name (which no save can be written to).
std::string GetSavePath(int32_t slot);
// The save-name format (default "save_%05d.sav") and the quick-save path (default "save\q.sav").
void SetSaveName(const std::string& format);
void SetQuickSavePath(const std::string& path);

// The save-file format this build writes. Raise it whenever a saved record changes: every Load gets
// the file's format, so that each later build reads every format from 1 on. Files of format 0 (made
// before formats were numbered) and of formats newer than this build are refused.
inline constexpr uint32_t kSaveFormatVersion = 3;
// The first format whose "NovelSystem" record ends with the choice manager's record.
inline constexpr uint32_t kSaveFormatChoices = 2;
// The first format whose files are sealed by a check record ("Check", 0): the container's checksum
// of every other record. A file of this format or later whose check record is missing or does not
// match is damaged, and nothing of it is used.
inline constexpr uint32_t kSaveFormatSealed = 3;

// What a save screen shows of one file.
class CSaveDataInfoNode {
public:
    virtual ~CSaveDataInfoNode() = default;
    virtual void ReleaseThumbnail() { thumbnailPixels.clear(); }
    // 0-2 the slot number's digits, 3-6 the year's, then two digits each of month, day, hour, minute
    // and second (7-16); any other i gives 0.
    virtual int32_t GetDigit(uint32_t i) const;

    uint8_t exists = 0;
    uint32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    std::vector<uint8_t> thumbnailPixels;  // R, G, B per pixel, the snapshot's size
    TextureHandle thumbnailTexture;         // made when first needed, in the opaque texture format
    float quad[4] = {};
    float uv[4] = {};
    int32_t slot = 0;
};

class CSaveDataManager {
public:
    CSaveDataManager() = default;
    virtual ~CSaveDataManager() = default;
    static CSaveDataManager* GetInstance() { return CUSSingleton<CSaveDataManager>::GetInstance(); }

    virtual void Clear();
    virtual void Setup(int32_t totalSlots, int32_t visibleCount);
    // Re-reads the visible slots (viewTop onwards), then the quick-save slot.
    virtual void Refresh();
    virtual void RefreshQuick() { ReadSlotInfo(quickNode_, -1); }

    // Every saved object's record in memory, as a file of the format this build writes would bring
    // them back: the game as it is now, for LoadFromFile to go back to. Throws when an object cannot
    // be saved.
    static std::unique_ptr<SaveDataLoader4::SaveData> SaveToMemory();
    // Every saved object into the file, sealed by its check record (written whole, through a
    // temporary file renamed over the old one); false on any failure, the old file then untouched.
    static bool SaveToFile(const char* path);
    // Every saved object from the file, all or nothing; false on any failure, logged. A file that
    // does not read whole, is of a format this build cannot read, or whose check record does not
    // match its records is refused before anything of it is read into the game; when a record turns
    // out missing or unreadable, every object goes back to the game as it was when the load began.
    // Given `before` (the game as SaveToMemory kept it, which the caller may have changed since, as
    // the load's fade-out does), any failure brings the game back to `before`. The file is never
    // changed.
    static bool LoadFromFile(const char* path, SaveDataLoader4::SaveData* before = nullptr);
    // Fills a node from the file of the slot; a missing or unreadable file, or one whose check record
    // does not match its records, shows as an empty slot (and stays on disk as it is).
    static void ReadSlotInfo(CSaveDataInfoNode& node, int32_t slot);
    // Copies an existing node's pixels (alpha 255) into its texture, the snapshot's size; rows the
    // node does not hold stay as they were.
    static void UploadThumbnail(CSaveDataInfoNode& node);

    // The first slot shown, clamped as the save screens set it; a change re-reads the shown slots.
    virtual void SetViewTop(int32_t top);
    int32_t GetViewTop() const { return viewTop_; }
    int32_t GetTotalSlots() const { return totalSlots_; }
    int32_t GetVisibleCount() const { return visibleCount_; }
    // Node i of the shown page (null outside it) and the quick-save node.
    CSaveDataInfoNode* GetNode(int32_t i) { return i >= 0 && i < visibleCount_ ? &nodes_[i] : nullptr; }
    CSaveDataInfoNode& GetQuickNode() { return quickNode_; }

    // Where the save screens draw the digits of GetDigit, and the digit image's pattern numbers; only
    // kept here for the UI. Indexes outside the tables are ignored.
    void SetDigitLayout(uint32_t i, float x, float y, float z);
    void SetDigitPattern(uint32_t digit, uint32_t pattern) {
        if (digit < 10) digitPattern_[digit] = pattern;
    }
    const float* GetDigitLayout(uint32_t i) const { return i < 17 ? digitLayout_[i] : nullptr; }
    uint32_t GetDigitPattern(uint32_t digit) const { return digit < 10 ? digitPattern_[digit] : 0; }

private:
    std::vector<CSaveDataInfoNode> nodes_;
    CSaveDataInfoNode quickNode_;
    int32_t totalSlots_ = 0;
    int32_t visibleCount_ = 0;
    int32_t viewTop_ = -1;
    float digitLayout_[17][3] = {};
    uint32_t digitPattern_[10] = {};
};
