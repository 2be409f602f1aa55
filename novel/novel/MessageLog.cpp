// Message log and character table.
#include "novel/novel/MessageLog.h"

#include "novel/text/StringRenderTexture.h"
#include "novel/vm/SaveIO.h"

namespace {

// A row buffer refilled: the text (whole) when given, else left empty.
void FillBuffer(uint32_t index, const std::string* text) {
    CStringRendererManager* buffers = CStringRendererManager::GetInstance();
    CStringRenderTexture* buffer = buffers ? buffers->Get(index) : nullptr;
    if (!buffer) return;
    buffer->CreateDC();
    buffer->ClearTexture();
    if (text) buffer->SetString(text->c_str(), 255, 255, 255);
    buffer->DeleteDC();
    if (text) buffer->SetAllRendering();
}

}  // namespace

void CMessageLogManager::Save(USLib::binary_ostream<256>& out) {
    SaveIO::WriteU32(out, static_cast<uint32_t>(entries_.GetCount()));
    for (int32_t i = entries_.GetCount() - 1; i >= 0; --i) {
        const LogInfo& e = entries_.At(i);
        SaveIO::WriteString(out, e.name);
        SaveIO::WriteString(out, e.voiceKey);
        SaveIO::WriteString(out, e.text);
        SaveIO::WriteString(out, e.voiceFile);
    }
}

void CMessageLogManager::Load(USLib::binary_istream& in, uint32_t) {
    Clear();
    uint32_t count = SaveIO::ReadU32(in);
    for (uint32_t i = 0; i < count; ++i) {
        std::string name = SaveIO::ReadString(in);
        std::string key = SaveIO::ReadString(in);
        std::string text = SaveIO::ReadString(in);
        std::string file = SaveIO::ReadString(in);
        Add(name.c_str(), key.c_str(), text.c_str(), file.c_str());
    }
}

void CMessageLogManager::Clear() {
    scroll_ = 0;
    entries_.Clear();
    ClearLogRows();
}

void CMessageLogManager::ClearLogRows() {
    CStringRendererManager* buffers = CStringRendererManager::GetInstance();
    if (!buffers) return;
    for (const auto& [textBuffer, nameBuffer] : rows_) {
        for (uint32_t index : {textBuffer, nameBuffer}) {
            if (CStringRenderTexture* buffer = buffers->Get(index)) {
                buffer->CreateDC();
                buffer->ClearTexture();
                buffer->DeleteDC();
                buffer->SetAllRendering();
            }
        }
    }
}

void CMessageLogManager::ShowLogRows() {
    const size_t shown = std::min(rows_.size(), static_cast<size_t>(entries_.GetCount()));
    for (size_t r = 0; r < rows_.size(); ++r) {
        const LogInfo* entry = r < shown ? GetEntry(scroll_ + static_cast<int32_t>(r)) : nullptr;
        FillBuffer(rows_[r].first, entry ? &entry->text : nullptr);
        FillBuffer(rows_[r].second, entry ? &entry->name : nullptr);
    }
}

const CMessageLogManager::LogInfo* CMessageLogManager::GetEntry(int32_t i) const {
    if (i < 0 || i >= entries_.GetCount()) return nullptr;
    return &entries_.At(i);
}

int32_t CMessageLogManager::Scroll(int32_t delta) {
    int32_t rows = static_cast<int32_t>(rows_.size());
    int32_t p = scroll_ + delta;
    int32_t highest = std::max(entries_.GetCount() - rows, 0);
    int32_t result = 0;
    if (p > highest) {
        p = highest;
        result = 1;
    }
    if (p < 0) {
        p = 0;
        result = -1;
    }
    scroll_ = p;
    if (result == 0) ShowLogRows();
    return result;
}

bool CMessageLogManager::RowHasVoice(int32_t row) const {
    uint32_t j = static_cast<uint32_t>(scroll_ + row);
    return j < static_cast<uint32_t>(entries_.GetCount()) && HasVoice(static_cast<int32_t>(j));
}

CCharacterInfo& CCharacterInfoManager::Add(const std::string& name) {
    std::unique_ptr<CCharacterInfo>& r = records_[name];
    if (!r) r = std::make_unique<CCharacterInfo>();
    return *r;
}

const CCharacterInfo& CCharacterInfoManager::Find(const std::string& name) const {
    auto it = records_.find(name);
    return it != records_.end() ? *it->second : default_;
}
