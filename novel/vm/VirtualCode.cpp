// Loading of scenario code files.
#include "novel/vm/VirtualCode.h"

#include <strings.h>

#include <cstring>

#include "engine/files/USFile.h"
#include "engine/files/USFileArchiveSystem.h"

VirtualCodePtr CVirtualCode::Create(const std::string& name) {
    auto code = std::make_shared<CVirtualCode>();
    if (!code->Load(name)) return nullptr;
    return code;
}

bool CVirtualCode::IsCodeFileName(const std::string& name) {
    if (USFileArchiveSystem::GetInstance()->Exists(name)) return true;
    if (name.find(':') != std::string::npos) return false;
    // Folder and file components, split at either slash; none may be empty, "." or "..".
    std::size_t count = 0, start = 0;
    bool inCodeFolder = false;
    for (;;) {
        const std::size_t end = name.find_first_of("\\/", start);
        const std::string part = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.empty() || part == "." || part == "..") return false;
        if (count++ == 0)
            inCodeFolder = strcasecmp(part.c_str(), "scenario") == 0 || strcasecmp(part.c_str(), "bin") == 0;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return inCodeFolder && count >= 2;
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
