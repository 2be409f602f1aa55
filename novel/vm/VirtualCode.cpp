// Loading of scenario code files.
#include "novel/vm/VirtualCode.h"

#include <cstring>

#include "engine/files/USFile.h"

VirtualCodePtr CVirtualCode::Create(const std::string& name) {
    auto code = std::make_shared<CVirtualCode>();
    if (!code->Load(name)) return nullptr;
    return code;
}

VirtualCodePtr CVirtualCode::CreateFromBytes(const std::string& name, const void* bytes, uint32_t size) {
    auto code = std::make_shared<CVirtualCode>();
    code->Assign(name, bytes, size);
    return code;
}

void CVirtualCode::Release() {
    image_.clear();
    image_.shrink_to_fit();
    size_ = 0;
    name_.clear();
}

bool CVirtualCode::Load(const std::string& name) {
    Release();
    CUSFile file;
    if (!file.Load(name.c_str())) return false;
    Assign(name, file.data, file.size);
    return true;
}

void CVirtualCode::Assign(const std::string& name, const void* bytes, uint32_t size) {
    // Whole words plus one zero word of padding (see GetWords).
    image_.assign(size / 4 + 2, 0);
    if (size) std::memcpy(image_.data(), bytes, size);
    size_ = size;
    name_ = name;
}
