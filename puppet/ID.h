// Interned identifiers: one object per name and kind for the whole program, so identifiers are
// compared by pointer. They are freed only when the runtime shuts down (Puppet::dispose).
#pragma once
#include <memory>
#include <vector>

#include "puppet/PPObject.h"
#include "puppet/PPString.h"

namespace puppet {

class ID : public PPObject {
public:
    const PPString& name() const { return name_; }

protected:
    explicit ID(const PPString& name) : name_(name) {}

private:
    PPString name_;
};

template <class Kind>
class InternedID : public ID {
public:
    // The identifier of this kind with that name, made on first request.
    static Kind* getID(const PPString& name) {
        std::vector<std::unique_ptr<Kind>>& all = stored();
        for (auto id = all.rbegin(); id != all.rend(); ++id)
            if ((*id)->name().equals(name)) return id->get();
        all.push_back(std::unique_ptr<Kind>(new Kind(name)));
        return all.back().get();
    }
    static void releaseStored() { stored().clear(); }

protected:
    explicit InternedID(const PPString& name) : ID(name) {}

private:
    // The identifiers still alive at program exit go with the list.
    static std::vector<std::unique_ptr<Kind>>& stored() {
        static std::vector<std::unique_ptr<Kind>> all;
        return all;
    }
};

class ParamID : public InternedID<ParamID> {
    friend class InternedID<ParamID>;
    using InternedID::InternedID;
};

class DrawDataID : public InternedID<DrawDataID> {
    friend class InternedID<DrawDataID>;
    using InternedID::InternedID;
};

class PartsDataID : public InternedID<PartsDataID> {
    friend class InternedID<PartsDataID>;
    using InternedID::InternedID;
};

class BaseDataID : public InternedID<BaseDataID> {
    friend class InternedID<BaseDataID>;
    using InternedID::InternedID;

public:
    // The root "DST_BASE" to which deformers and meshes without a parent deformer are attached.
    static BaseDataID* DST_BASE_ID() { return getID(PPString("DST_BASE")); }
};

}  // namespace puppet
