// The novel machine: the scenario machine of a novel scene with opcodes 61-142 (messages, voices,
// text buffers, waits, the interrupt routine, menu commands, read-text and seen-picture records).
#pragma once
#include <cstdint>

#include "novel/vm/VCPUBaseNovel.h"

class CVCPUNovel : public CVCPUBaseNovel {
public:
    CVCPUNovel();

    // The base machine's state, then wait frames, message number and wait flags.
    void Save(USLib::binary_ostream<256>& out) override;
    void Load(USLib::binary_istream& in, uint32_t version) override;

    uint32_t GetWaitFrames() const { return waitFrames_; }
    uint32_t GetWaitFlags() const { return waitFlags_; }
    uint32_t GetMessageNumber() const { return messageNumber_; }
    // Name of the code file being executed (the innermost one; empty when none runs), valid while it runs.
    const std::string& GetCurrentCodeName() const;

private:
    void JumpIf(bool condition, uint32_t target) {
        if (condition) cursor_.Seek(target);
    }

    void OpSetWaitFrames();
    void OpSetWaitFlags();
    void OpSetInterrupt();
    void OpClearInterrupt();
    void OpSendCommand();
    void OpSetDialog1();
    void OpDisableDialog1();
    void OpSetDialog2();
    void OpDisableDialog2();
    void OpSetDialog3();
    void OpDisableDialog3();
    void OpSetFeatureMask();
    void OpExitGame();
    void OpReturnGameStart();
    void OpCancelModes();
    void OpSaveConfig();
    void OpSetCodeReaded();
    void OpJumpIfCodeReaded();
    void OpJumpIfCodeNotReaded();
    void OpClearMessageLog();
    void OpClearSnapPicture();
    void OpSetSnapPicture();
    void OpOpenUIWindow();
    void OpCloseUIWindow();
    void OpSetUIWindowPosition();
    void OpSetDialogScriptName();
    void OpSetCGShown();
    void OpJumpIfCGShown();
    void OpJumpIfCGNotShown();
    void OpMessage();
    void OpClearMessage();
    void OpSkipWord();
    void OpSetMessageNumber();
    void OpSetMessageReaded();
    void OpJumpIfMessageReaded();
    void OpJumpIfMessageNotReaded();
    void OpSetTextBufferString();
    void OpClearTextBuffer();
    void OpSetTextBufferRenderingCharCnt();
    void OpAddTextBufferRenderingCharCnt();
    void OpSetTextBufferAllRendering();
    void OpPlayVoice();
    void OpStopVoice();
    void OpSetMovieName();

    // Opcodes 88-98 and 113-141: render sources, renderers and Puppet models (VCPUNovelPictures.cpp).
    void RegisterPictureOpcodes();
    void OpLoadSingleTexture();
    void OpLoadSingleTextureAt();
    void OpLoadSingleTextureParts();
    void OpLoadPartsTexture();
    void OpLoadMesh();
    void OpLoadXMesh();
    void OpSwapSingleTexture();
    void OpSwapRenderingBuffer();
    void OpSetSource();
    void OpSetRegistTable();
    void OpSetRendering();
    void OpSetPosition();
    void OpSetScale();
    void OpSetRoll();
    void OpSetColor();
    void OpSetBlendRenderState();
    void OpSetPatNo();
    void OpLoadPuppetModel();
    void OpAddTexturePuppetModel();
    void OpAddMotionPuppetModel();
    void OpSetMotionPuppetModel();
    void OpBeginMotionPuppet();
    void OpDisableMotionQueuePuppet();
    void OpPushMotionPuppet();
    void OpPushLoopMotionPuppet();
    void OpSwapPuppetModel();

    // Opcodes 122-132: direction parameters, directions and choices (VCPUNovelDirections.cpp).
    void RegisterDirectionOpcodes();
    void OpClearDirectionParams();
    void OpPushDirectionIntParam();
    void OpPushDirectionFloatParam();
    void OpRunDirection();
    void OpStopAllDirections();
    void OpRunResidentDirection();
    void OpStopResidentDirection();
    void OpBeginChoices();
    void OpAddChoice();
    void OpClearChoices();
    void OpSetChoiceTimeOut();

    uint32_t waitFrames_ = 0;
    uint32_t waitFlags_ = 0;
    uint32_t messageNumber_ = 0;
};
