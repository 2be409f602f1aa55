// The runtime's small dynamic values: Boolean, String, Error and NullValue, with the shared
// instances TRUE, FALSE, ERROR and NULL that Puppet::init makes.
#pragma once
#include <memory>

#include "puppet/PPString.h"

namespace puppet {

class Value {
public:
    virtual ~Value() = default;
    virtual PPString toString() const { return PPString(""); }
    virtual bool toBoolean() const { return false; }
    virtual bool equals(bool) const { return false; }
    virtual bool equals(const char*) const { return false; }
    virtual bool equals(const PPString&) const { return false; }
    virtual bool isError() const { return false; }

    static std::unique_ptr<Value> TRUE_VALUE;
    static std::unique_ptr<Value> FALSE_VALUE;
    static std::unique_ptr<Value> ERROR_VALUE;
    static std::unique_ptr<Value> NULL_VALUE;
};

class Boolean : public Value {
public:
    explicit Boolean(bool value) : value_(value) {}
    PPString toString() const override { return PPString(value_ ? "true" : "false"); }
    bool toBoolean() const override { return value_; }
    bool equals(bool v) const override { return v == value_; }

private:
    bool value_;
};

class String : public Value {
public:
    explicit String(const PPString& text) : text_(text) {}
    PPString toString() const override { return text_; }
    bool equals(const char* s) const override { return text_.equals(s); }
    bool equals(const PPString& s) const override { return text_.equals(s); }
    void setText(const char* text) { text_ = text; }

private:
    PPString text_;
};

class Error : public String {
public:
    Error(const PPString& text, bool flag) : String(text), flag_(flag) {}
    bool isError() const override { return flag_; }

private:
    bool flag_;
};

class NullValue : public Value {
public:
    PPString toString() const override { return PPString("NullValue"); }
};

}  // namespace puppet
