// Base of every scenario machine: owns the code cursor and saves and loads it.
#pragma once
#include "novel/vm/VCPointer.h"

class CBaseUSVCPU {
public:
    virtual ~CBaseUSVCPU() = default;
    virtual void SetCode(VirtualCodePtr code) { cursor_.SetCode(std::move(code)); }
    virtual void Save(USLib::binary_ostream<256>& out) { cursor_.Save(out); }
    virtual void Load(USLib::binary_istream& in, uint32_t version) { cursor_.Load(in, version); }
    virtual uint32_t Run() = 0;

    CVCPointer& GetCursor() { return cursor_; }
    const CVCPointer& GetCursor() const { return cursor_; }

protected:
    CVCPointer cursor_;
};
