// The code cursor: a position in a code file with its return stack and interrupt entry, able to hand
// all reading over to a nested cursor on another code file (a called code file).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/save/USBinaryStream.h"
#include "novel/vm/VirtualCode.h"

class CVCPointer {
public:
    // Most levels a saved record may hold; the machines keep their nesting below it.
    static constexpr uint32_t kMaxLevels = 64;

    CVCPointer() = default;
    virtual ~CVCPointer() = default;
    CVCPointer(const CVCPointer&) = delete;
    CVCPointer& operator=(const CVCPointer&) = delete;

    void ReleaseDelegate() { nested_.reset(); }
    // Innermost: replaces the code; position, return stack and interrupt stay.
    void SetCode(VirtualCodePtr code) { Innermost().Attach(std::move(code)); }
    uint32_t GetPosition() const { return Innermost().position_; }
    VirtualCodePtr GetCurrentCode() const { return Innermost().code_; }

    // Next word (0 past the end, position unchanged).
    uint32_t ReadInt() {
        CVCPointer& c = Innermost();
        if (c.position_ < c.size_) {
            uint32_t word = c.words_[c.position_ >> 2];
            c.position_ += 4;
            return word;
        }
        return 0;
    }
    float ReadFloat();
    const uint32_t* ReadPointer();
    // Entry index of the word table at base (entry 0 when index >= count; 0 past the end).
    uint32_t ReadTableIntAt(uint32_t base, uint32_t index, uint32_t count) const;
    const uint8_t* ReadBytes(uint32_t n);

    void Seek(uint32_t offset) { Innermost().SeekHere(offset); }
    uint32_t Skip(int32_t n);
    void Call(uint32_t offset);
    // False when the return stack is empty (the position is then left alone).
    bool Return();
    // Removes the top of this cursor's own return stack (never a nested one's).
    void PopReturn() {
        if (!returns_.empty()) returns_.pop_back();
    }
    // The word containing offset, or null when it lies outside the innermost code.
    const uint32_t* GetPointerAt(uint32_t offset) const;
    // The zero-terminated string at offset, or null when the offset lies outside the innermost code.
    const char* GetStringAt(uint32_t offset) const { return reinterpret_cast<const char*>(GetPointerAt(offset)); }

    void CallCode(VirtualCodePtr code, uint32_t offset);
    void EndCallCode();
    bool HasDelegate() const { return nested_ != nullptr; }
    // Entries on the innermost return stack.
    uint32_t GetReturnDepth() const { return static_cast<uint32_t>(Innermost().returns_.size()); }
    void CountLevels(uint32_t& counter) const;

    void SetInterrupt(uint32_t entry);
    void ClearInterrupt() { Innermost().interruptEnabled_ = false; }
    bool IsInterruptSet() const { return Innermost().interruptEnabled_; }
    void EnterInterrupt();
    void LeaveInterrupt();

    // The cursor state record of every level from this one down.
    void Save(USLib::binary_ostream<256>& out) const;
    // Throws on a record with no level or more than kMaxLevels (the save loader fails the whole load).
    void Load(USLib::binary_istream& in, uint32_t version);

    // Size in bytes of this level's code (0 without code).
    uint32_t Size() const { return size_; }

private:
    CVCPointer& Innermost() {
        CVCPointer* c = this;
        while (c->nested_) c = c->nested_.get();
        return *c;
    }
    const CVCPointer& Innermost() const { return const_cast<CVCPointer*>(this)->Innermost(); }
    void SeekHere(uint32_t offset) { position_ = offset < size_ ? (offset & ~3u) : offset; }
    // Keeps the code and, for the fetch loop, its words and size.
    void Attach(VirtualCodePtr code) {
        code_ = std::move(code);
        words_ = code_ ? code_->GetWords() : nullptr;
        size_ = code_ ? code_->GetSize() : 0;
    }
    void SaveState(USLib::binary_ostream<256>& out) const;
    void LoadState(USLib::binary_istream& in, uint32_t version, uint32_t& levels);

    std::unique_ptr<CVCPointer> nested_;
    VirtualCodePtr code_;
    const uint32_t* words_ = nullptr;
    uint32_t size_ = 0;
    uint32_t position_ = 0;
    std::vector<uint32_t> returns_;
    uint32_t interruptEntry_ = 0;
    uint32_t reserved_ = 0;
    bool interruptEnabled_ = false;
};
