// Code cursor operations that do more than one read: bounds-checked pointers, tables, calls, nesting
// and the saved cursor record.
#include "novel/vm/VCPointer.h"

#include <bit>
#include <cstring>
#include <stdexcept>

#include "novel/vm/SaveIO.h"

// Bounds are tested in 64 bits so that a position near 2^32 can never wrap into the file.

float CVCPointer::ReadFloat() { return std::bit_cast<float>(ReadInt()); }

const uint32_t* CVCPointer::ReadPointer() {
    CVCPointer& c = Innermost();
    if (uint64_t(c.position_) + 4 > c.Size()) return nullptr;
    const uint32_t* p = c.words_ + (c.position_ >> 2);
    c.position_ += 4;
    return p;
}

uint32_t CVCPointer::ReadTableIntAt(uint32_t base, uint32_t index, uint32_t count) const {
    const CVCPointer& c = Innermost();
    if (index >= count) index = 0;
    uint64_t offset = uint64_t(base) + uint64_t(index) * 4;
    if (offset >= c.Size()) return 0;
    return c.words_[offset >> 2];
}

const uint8_t* CVCPointer::ReadBytes(uint32_t n) {
    CVCPointer& c = Innermost();
    if (uint64_t(c.position_) + n > c.Size()) return nullptr;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(c.words_) + c.position_;
    c.position_ += (n + 3) & ~3u;
    return p;
}

uint32_t CVCPointer::Skip(int32_t n) {
    CVCPointer& c = Innermost();
    uint32_t target = c.position_ + static_cast<uint32_t>(n);
    if (target < c.Size()) c.position_ = target & ~3u;
    return c.position_;
}

void CVCPointer::Call(uint32_t offset) {
    CVCPointer& c = Innermost();
    c.returns_.push_back(c.position_);
    c.SeekHere(offset);
}

bool CVCPointer::Return() {
    CVCPointer& c = Innermost();
    if (c.returns_.empty()) return false;
    uint32_t target = c.returns_.back();
    c.returns_.pop_back();
    c.SeekHere(target);
    return true;
}

const uint32_t* CVCPointer::GetPointerAt(uint32_t offset) const {
    const CVCPointer& c = Innermost();
    if (uint64_t(offset) + 4 > c.Size()) return nullptr;
    return c.words_ + (offset >> 2);
}

void CVCPointer::CallCode(VirtualCodePtr code, uint32_t offset) {
    CVCPointer& c = Innermost();
    c.nested_ = std::make_unique<CVCPointer>();
    c.nested_->Attach(std::move(code));
    c.nested_->SeekHere(offset);
}

void CVCPointer::EndCallCode() {
    if (!nested_) return;
    CVCPointer* above = this;
    while (above->nested_->nested_) above = above->nested_.get();
    above->nested_.reset();
}

void CVCPointer::CountLevels(uint32_t& counter) const {
    ++counter;
    if (nested_) nested_->CountLevels(counter);
}

void CVCPointer::SetInterrupt(uint32_t entry) {
    CVCPointer& c = Innermost();
    c.interruptEntry_ = entry;
    c.interruptEnabled_ = true;
}

void CVCPointer::EnterInterrupt() {
    CVCPointer& c = Innermost();
    if (c.interruptEnabled_) c.Call(c.interruptEntry_);
}

void CVCPointer::LeaveInterrupt() {
    CVCPointer& c = Innermost();
    if (c.interruptEnabled_) c.Return();
}

void CVCPointer::Save(USLib::binary_ostream<256>& out) const {
    uint32_t levels = 0;
    CountLevels(levels);
    SaveIO::WriteU32(out, levels);
    SaveState(out);
}

void CVCPointer::SaveState(USLib::binary_ostream<256>& out) const {
    SaveIO::WriteString(out, code_ ? code_->GetName() : std::string());
    SaveIO::WriteU32(out, position_);
    SaveIO::WriteU32(out, static_cast<uint32_t>(returns_.size()));
    for (uint32_t r : returns_) SaveIO::WriteU32(out, r);
    SaveIO::WriteU32(out, interruptEntry_);
    SaveIO::WriteU32(out, reserved_);
    uint8_t enabled = interruptEnabled_ ? 1 : 0;
    out.Write(&enabled, 1);
    if (nested_) nested_->SaveState(out);
}

void CVCPointer::Load(USLib::binary_istream& in, uint32_t version) {
    nested_.reset();
    uint32_t levels = SaveIO::ReadU32(in);
    if (levels == 0 || levels > kMaxLevels) throw std::runtime_error("saved code cursor with a bad level count");
    LoadState(in, version, levels);
}

void CVCPointer::LoadState(USLib::binary_istream& in, uint32_t version, uint32_t& levels) {
    std::string name = SaveIO::ReadString(in);
    // A record may name any file: only the game's own code files are opened, and every offset must lie
    // inside the file, or the load is refused.
    if (!name.empty() && !CVirtualCode::IsCodeFileName(name))
        throw std::runtime_error("saved code cursor names \"" + name + "\", which is not a scenario code file");
    Attach(name.empty() ? nullptr : CVirtualCode::Create(name));
    position_ = SaveIO::ReadU32(in);
    uint32_t count = SaveIO::ReadU32(in);
    returns_.clear();
    for (uint32_t i = 0; i < count; ++i) returns_.push_back(SaveIO::ReadU32(in));
    interruptEntry_ = SaveIO::ReadU32(in);
    reserved_ = SaveIO::ReadU32(in);
    uint8_t enabled = 0;
    in.Read(&enabled, 1);
    interruptEnabled_ = enabled != 0;
    if (code_) {
        bool inside = position_ <= size_ && interruptEntry_ <= size_;
        for (uint32_t r : returns_) inside = inside && r <= size_;
        if (!inside) throw std::runtime_error("saved code cursor points outside its code file \"" + name + "\"");
    }
    if (--levels > 0) {
        nested_ = std::make_unique<CVCPointer>();
        nested_->LoadState(in, version, levels);
    }
}
