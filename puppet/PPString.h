// The Puppet runtime's byte string: text with a terminating 0, its length and a cached hash
// (s[0] + 31·s[1] + 31²·s[2] + …) used to compare identifiers quickly.
#pragma once
#include <cstdint>
#include <string>

namespace puppet {

class PPString {
public:
    PPString();  // empty, hash -1
    PPString(const char* text);
    PPString(const char* text, int length);
    PPString(const PPString& other) = default;
    PPString& operator=(const PPString& other) = default;
    PPString& operator=(const char* text);
    virtual ~PPString() = default;

    bool equals(const PPString& other) const;
    bool equals(const char* text) const;
    PPString operator+(const PPString& other) const;
    PPString operator+(const char* text) const;

    const char* c_str() const { return text_.c_str(); }
    int length() const { return static_cast<int>(text_.size()); }
    int32_t hash() const { return hash_; }

private:
    void assign(const char* text, size_t length);

    std::string text_;
    int32_t hash_ = -1;
};

}  // namespace puppet
