// The player's configuration values (integers by index, registered by the set-up script) and the
// tables that turn them into volumes, frames per revealed character and automatic-mode waits; it also
// holds the read-text and seen-picture records. All of it persists in "cfg.cfg".
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/util/USSingleton.h"
#include "novel/state/ReadFlags.h"
#include "novel/state/SavedObject.h"

enum ComnConfigIndex : int32_t {
    CFG_MASTER_VOLUME = 0,
    CFG_VOLUME_BGM = 1,
    CFG_VOLUME_SE = 2,
    CFG_VOLUME_VOICE = 3,
    CFG_CHAR_DRAW_INTERVAL = 4,
    CFG_AUTOMODE_WAIT_FRAME = 5,
    CFG_ENABLE_FAST_SKIP = 6,
    CFG_STOP_VOICE = 7,
    USER_CFG_INDEX = 8,
};

enum MaxVolumeIndex : uint32_t {
    MAX_VOL_INDEX_MASTER = 0,
    MAX_VOL_INDEX_BGM = 1,
    MAX_VOL_INDEX_SE = 2,
    MAX_VOL_INDEX_VOICE = 3,
    USER_MAX_VOLUME = 4,
};

class CConfigDataManager : public ISavedObject<_tagConfigData> {
public:
    CConfigDataManager() { Register("Config", 0); }
    static CConfigDataManager* GetInstance() { return CUSSingleton<CConfigDataManager>::GetInstance(); }

    // Record "Config": u32 count, (index, value) pairs, u32 full-screen value (0 windowed, 1 full).
    void Save(USLib::binary_ostream<256>& out) override;
    void Load(USLib::binary_istream& in, uint32_t version) override;

    // Registers the index with the value unless it is registered already.
    virtual void InitConfigValue(int32_t index, int32_t value) { values_.emplace(index, value); }
    // Sets a registered index; an unregistered one is ignored.
    virtual void SetConfigValue(int32_t index, int32_t value);
    // The value of a registered index; an unregistered one is logged and reads 0.
    virtual int32_t GetConfigValue(int32_t index) const;
    bool IsRegistered(int32_t index) const { return values_.count(index) != 0; }

    virtual void InitMaxVolume() { maxVolumes_.clear(); }
    virtual void AddMaxVolume(float v) { maxVolumes_.push_back(v); }
    // Table reads outside a table give 0.
    virtual float GetMaxVolume(uint32_t index) const { return index < maxVolumes_.size() ? maxVolumes_[index] : 0.0f; }
    // The gain of configuration value c against max volume m, scaled by a / b and by the master volume
    // (b == 1: neither). A missing or zero max volume gives 0, never an infinite gain.
    virtual float GetVolume(int32_t c, uint32_t m, uint32_t a, uint32_t b) const;
    virtual bool IsConfigOn(int32_t index) const { return GetConfigValue(index) > 0; }
    // False when the condition's value is 0, else IsConfigOn(index).
    virtual bool IsConfigOnWhen(int32_t index, int32_t condition) const {
        return GetConfigValue(condition) != 0 && IsConfigOn(index);
    }
    virtual bool IsStopVoice() const { return GetConfigValue(CFG_STOP_VOICE) == 1; }
    virtual void InitIntervalRenderingText() { intervals_.clear(); }
    virtual void AddIntervalRenderingText(uint32_t frames) { intervals_.push_back(frames); }
    virtual uint32_t GetIntervalRenderingText(uint32_t index) const { return index < intervals_.size() ? intervals_[index] : 0; }
    virtual uint32_t GetCharDrawInterval() const {
        return GetIntervalRenderingText(static_cast<uint32_t>(GetConfigValue(CFG_CHAR_DRAW_INTERVAL)));
    }
    virtual void InitWaitFrameAutoSkipMode() { autoWaits_.clear(); }
    virtual void AddWaitFrameAutoSkipMode(uint32_t frames) { autoWaits_.push_back(frames); }
    virtual uint32_t GetWaitFrameAutoSkipMode(uint32_t index) const { return index < autoWaits_.size() ? autoWaits_[index] : 0; }
    virtual uint32_t GetAutoModeWaitFrame() const {
        return GetWaitFrameAutoSkipMode(static_cast<uint32_t>(GetConfigValue(CFG_AUTOMODE_WAIT_FRAME)));
    }

    CReadedFlagManager& GetReadedFlags() { return readed_; }
    CCGShownFlagsManager& GetCGShownFlags() { return cgShown_; }

    // Back to the state before any set-up script or file ran: no values, empty tables, no read or seen
    // records, no load yet. The game's start-up calls it, so that a game started again in the same
    // process begins from its own defaults.
    void Reset();

    // Writes every configuration object to "cfg.cfg". Nothing is written before LoadConfigFile has
    // run (a start-up that failed earlier must not replace the player's file with bare defaults), nor
    // after a refused file until something has changed, so the broken file stays for the player.
    static void SaveConfigFile();
    // Reads "cfg.cfg" when it exists; a file that cannot be read is logged and the current values stay.
    static void LoadConfigFile();
    static const char* const kFileName;

private:
    CReadedFlagManager readed_;
    CCGShownFlagsManager cgShown_;
    std::unordered_map<int32_t, int32_t> values_;
    std::vector<float> maxVolumes_;
    std::vector<uint32_t> intervals_;
    std::vector<uint32_t> autoWaits_;
    // The file as it would have been written just after a refused load; empty when none was refused.
    std::string stateAtRefusal_;
    bool loadRan_ = false;
};
