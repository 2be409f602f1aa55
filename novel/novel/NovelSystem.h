// The hub of a novel scene: owns the novel machine and carries out what a scenario message needs
// (the automatic-mode countdown, the log entry, the speaker's record), holds the play mode, the
// scene's resume code, the feature mask, the pending scene request and the names of the dialogs and
// the movie the scenario asks for; saved as "NovelSystem".
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/util/USSingleton.h"
#include "novel/choices/AlternativeManager.h"
#include "novel/novel/AppWordWrapManager.h"
#include "novel/novel/MessageLog.h"
#include "novel/render/RendererManager.h"
#include "novel/render/RenderSource.h"
#include "novel/script/ASRendererDirManager.h"
#include "novel/sound/VoiceBuffer.h"
#include "novel/state/SavedObject.h"
#include "novel/text/StringRenderTexture.h"
#include "novel/ui/UIWindowManager.h"
#include "novel/vm/VCPUNovel.h"

class CNovelSystem : public ISavedObject<_tagSaveData> {
public:
    enum Mode : uint32_t { kNormal = 0, kAuto = 1, kSkip = 2 };
    // What "SendCommandToNovelSystem" and opcode 66 ask for.
    enum Command : int32_t {
        kCommandSkip = 0,
        kCommandAuto = 1,
        kCommandOpenLog = 2,
        kCommandReplayVoice = 3,
        kCommandOpenDialog1 = 4,
        kCommandPictureView = 5,
        kCommandOpenDialog2 = 6,
        kCommandOpenDialog3 = 7,
        kCommandScrollLogUp = 8,
        kCommandScrollLogDown = 9,
    };
    // The request a command or a load leaves for the novel scene to take.
    enum Request : int32_t {
        kRequestNone = -1,
        kRequestPictureView = 0,
        kRequestLog = 1,
        kRequestDialog1 = 2,
        kRequestDialog2 = 3,
        kRequestDialog3 = 4,
        kRequestLoad = 5,
    };
    // Bits of the feature mask, the menu functions a scenario switches on; bit i also enables
    // control i of the button bar.
    enum Feature : uint32_t {
        kFeaturePictureView = 0x1,
        kFeatureSkip = 0x2,
        kFeatureLog = 0x8,
        kFeatureDialog2 = 0x10,
        kFeatureDialog3 = 0x20,
        kFeatureDialog1 = 0x200,
        kAllFeatures = 0xFFFFFFFFu,
    };
    // Which wait the novel scene is in, saved with the game so that a load goes on in it.
    enum ResumeCode : uint32_t {
        kResumeClickWait = 0,
        kResumeTimedWait = 1,
        kResumeChoice = 2,
        kResumeRunning = 3,
    };

    // The message log, whose newest entry a load puts back on screen, is a saved object from the
    // start, so that every save holds its record.
    CNovelSystem() {
        Register("NovelSystem", 0);
        CMessageLogManager::GetInstance();
    }
    static CNovelSystem* GetInstance() { return CUSSingleton<CNovelSystem>::GetInstance(); }

    void Save(USLib::binary_ostream<256>& out) override;
    void Load(USLib::binary_istream& in, uint32_t version) override;
    // After a load: renderers re-apply their state, the play mode is normal and the newest logged
    // message shows whole.
    void EndLoad() override;

    // Opens the scenario code and starts it at offset 0; false (nothing changed) when it cannot be read.
    virtual bool LoadScenario(const std::string& name);
    virtual void SetResumeCode(uint32_t code) { resumeCode_ = code; }
    virtual uint32_t GetResumeCode() const { return resumeCode_; }

    // The message (all Shift-JIS): wrapped (indented when it has a name), automatic-mode time from its
    // length, then the log entry.
    virtual void ShowMessage(const char* text, const char* voiceKey, const char* name, const char* voiceFile);
    // The countdown becomes n + the configured automatic-mode wait (at least 10) unless it is larger.
    virtual void SetAutoWait(uint32_t n);
    virtual void TickAutoWait() {
        if (countdown_ > 0) --countdown_;
    }
    int32_t GetAutoWait() const { return countdown_; }

    // Line width of a characters, pull-back limit of a + b characters; flag: indent named messages.
    virtual void SetWordWrap(int32_t a, int32_t b, bool flag);
    virtual void AddNoLineStartChars(const char* text) { wordWrap_.SetNoLineStartChars(text); }
    virtual void AddNoLineEndChars(const char* text) { wordWrap_.SetNoLineEndChars(text); }
    // The message rules: indented when the indent flag is set, else the plain line breaking.
    std::string WrapMessageText(const char* text);
    CAppWordWrapManager& GetWordWrap() { return wordWrap_; }

    virtual void SetNormalMode() { mode_ = kNormal; }
    virtual void SetAutoMode() {
        mode_ = kAuto;
        countdown_ = 0;
    }
    virtual void SetSkipMode() { mode_ = kSkip; }
    virtual uint32_t GetMode() const { return mode_; }
    // Skipping may pass the current message: fast skip is on or the message was read before; then
    // true in skip mode or while Ctrl is held. Without permission skip mode falls back to normal.
    virtual bool IsSkipAllowed();
    // The message wait ends: skipping allowed, else by mode (normal: the advance input; automatic:
    // the countdown ran out; other: at once).
    virtual bool IsMessageDone();
    // A timed wait ends early only when wait flag bit 0 is set and skipping is allowed.
    virtual bool IsTimedWaitDone();
    // The wait for directions ends: wait flag bit 0 with skipping allowed, the advance input, or no
    // one-shot direction left.
    virtual bool IsDirectionWaitDone();

    // The speaker's voice (the default record for an unknown key) when the speaker's voice switch is 1
    // and volume above 0; the countdown then covers the clip.
    virtual void PlayVoice(const char* voiceKey, const char* voiceFile);
    // The newest log entry's voice, with the same tests; the countdown is left alone.
    virtual void ReplayLogVoice();
    // The voice of a log row, without the switch and volume tests.
    virtual void PlayLogRowVoice(int32_t row);
    virtual void StopVoice() { voice_.Stop(); }
    CVoiceBuffer& GetVoice() { return voice_; }
    // A novel scene starts: no renderers, no render-buffer layers, no pending request.
    virtual void SetupSceneServices();
    // The choice manager gets a fresh engine that reaches this system's renderers.
    virtual void SetupChoices() { choices_.Initialize(&renderers_); }
    // The save file that a load request (kRequestLoad) reads.
    void SetLoadPath(const std::string& path) { loadPath_ = path; }
    const std::string& GetLoadPath() const { return loadPath_; }

    // Carries out a Command; other numbers do nothing.
    virtual void SendCommand(int32_t command);
    virtual void SetFeatureMask(uint32_t mask) { featureMask_ = mask; }
    // Enables control i (0-31) of resident window 0 by bit i of bits AND the feature mask; the skip
    // bit (2) is cleared while skipping is not permitted (fast skip off and the message unread).
    virtual void ApplyFeatureMask(uint32_t bits);
    virtual bool TestFeature(uint32_t bits) const { return (featureMask_ & bits) != 0; }
    virtual void SetPendingCommand(int32_t request) { pending_ = request; }
    virtual int32_t TakePendingCommand() {
        int32_t c = pending_;
        pending_ = kRequestNone;
        return c;
    }
    virtual void SetDialogScriptName(const char* name) { dialogScriptName_ = name; }
    virtual void SetMovieName(const char* name) { movieName_ = name; }
    virtual const char* GetMovieName() const { return movieName_.c_str(); }
    const std::string& GetDialogScriptName() const { return dialogScriptName_; }

    // UI dialogs 1-3 (index 0-2) that the scene opens on kRequestDialog1-3.
    void SetDialog(int i, const char* name) {
        dialogs_[i].name = name;
        dialogs_[i].enabled = true;
    }
    void DisableDialog(int i) { dialogs_[i].enabled = false; }
    const std::string& GetDialogName(int i) const { return dialogs_[i].name; }
    bool IsDialogEnabled(int i) const { return dialogs_[i].enabled; }

    void SetMessageCounter(uint32_t n) { messageCounter_ = n; }
    uint32_t GetMessageCounter() const { return messageCounter_; }
    const std::string& GetScenarioName() const { return scenarioName_; }
    uint32_t GetFeatureMask() const { return featureMask_; }
    // The message window's text buffers (set by the novel setting script).
    void SetMessageBuffers(uint32_t message, uint32_t name) {
        messageBuffer_ = message;
        nameBuffer_ = name;
    }
    // Both buffers emptied.
    virtual void ClearMessageWindow();
    // The message with one character showing, the name whole.
    virtual void SetMessageText(const char* text, const char* name);
    // One more character of the message; false when all were showing.
    virtual bool RevealNextChar();
    virtual void RevealAll() {
        while (RevealNextChar()) {
        }
    }

    // Layers drawn into render buffers before the picture: pairs (layer, render-buffer index).
    virtual void ClearRenderBufferPasses() { renderBufferPasses_.clear(); }
    virtual void AddRenderBufferPass(uint32_t layer, uint32_t index) { renderBufferPasses_.emplace_back(layer, index); }
    // False (nothing written) for an entry outside the list.
    virtual bool GetRenderBufferPass(uint32_t i, uint32_t* layer, uint32_t* index) const;
    uint32_t GetRenderBufferPassCount() const { return static_cast<uint32_t>(renderBufferPasses_.size()); }

    CRendererManager& GetRenderers() { return renderers_; }
    RenderSource::CRenderSourceManager& GetRenderSources() { return sources_; }
    CASRendererDirManager& GetDirections() { return directions_; }
    CAlternativeManager& GetChoices() { return choices_; }
    CStringRendererManager& GetTextBuffers() { return textBuffers_; }
    CUIWindowManager& GetWindowManager() { return windowManager_; }
    CVCPUNovel& GetMachine() { return machine_; }
    CCharacterInfoManager& GetCharacters() { return characters_; }

private:
    // Fast skip is on or the current message was read before.
    bool IsSkipPermitted();
    // Plays the loaded clip at the speaker's configured volume.
    void PlayVoiceAs(const CCharacterInfo& speaker);

    struct Dialog {
        std::string name;
        bool enabled = false;
    };

    // The text buffers outlive the renderers that draw them.
    CStringRendererManager textBuffers_;
    // UI text controls draw the text buffers: the windows go first.
    CUIWindowManager windowManager_;
    CRendererManager renderers_;
    RenderSource::CRenderSourceManager sources_;
    // Directions drive the renderers and sources above, so they go first.
    CASRendererDirManager directions_;
    // Choice items draw parts of the sources above and their scripts reach the renderers.
    CAlternativeManager choices_;
    std::vector<std::pair<uint32_t, uint32_t>> renderBufferPasses_;
    std::string loadPath_;
    uint32_t messageBuffer_ = 0;
    uint32_t nameBuffer_ = 0;
    CCharacterInfoManager characters_;
    uint32_t resumeCode_ = kResumeClickWait;
    uint32_t mode_ = kNormal;
    int32_t countdown_ = 0;
    CVoiceBuffer voice_;
    CVCPUNovel machine_;
    CAppWordWrapManager wordWrap_;
    uint32_t messageCounter_ = 0;
    std::string scenarioName_;
    uint32_t featureMask_ = 0;
    int32_t pending_ = kRequestNone;
    Dialog dialogs_[3];
    std::string dialogScriptName_;
    bool indent_ = true;
    std::string movieName_;
};
