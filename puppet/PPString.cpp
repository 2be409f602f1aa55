// PPString: construction, hashing, equality and concatenation.
#include "puppet/PPString.h"

#include <cstring>

namespace puppet {
namespace {
int32_t hashOf(const std::string& text) {
    uint32_t h = 0;
    for (size_t i = text.size(); i-- > 0;) h = static_cast<uint32_t>(static_cast<int8_t>(text[i])) + 31u * h;
    return h == 0xFFFFFFFFu ? static_cast<int32_t>(0xFFFFFFFEu) : static_cast<int32_t>(h);
}
}  // namespace

PPString::PPString() = default;

PPString::PPString(const char* text) { assign(text, text ? std::strlen(text) : 0); }

PPString::PPString(const char* text, int length) {
    assign(text, text && length > 0 ? static_cast<size_t>(length) : 0);
}

PPString& PPString::operator=(const char* text) {
    assign(text, text ? std::strlen(text) : 0);
    return *this;
}

void PPString::assign(const char* text, size_t length) {
    text_.assign(text ? text : "", length);
    hash_ = hashOf(text_);
}

bool PPString::equals(const PPString& other) const {
    if (length() != other.length() || hash_ != other.hash_) return false;
    for (int i = length(); i-- > 0;)
        if (text_[static_cast<size_t>(i)] != other.text_[static_cast<size_t>(i)]) return false;
    return true;
}

bool PPString::equals(const char* text) const {
    return text && std::strlen(text) == text_.size() && std::memcmp(text, text_.data(), text_.size()) == 0;
}

PPString PPString::operator+(const PPString& other) const { return *this + other.c_str(); }

PPString PPString::operator+(const char* text) const {
    std::string joined = text_ + (text ? text : "");
    return PPString(joined.data(), static_cast<int>(joined.size()));
}

}  // namespace puppet
