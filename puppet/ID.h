// Interned identifiers: one object per name and kind for the whole program, so identifiers are
// compared by pointer. They are freed only when the runtime shuts down (Puppet::dispose).
#pragma once
#include "puppet/PPObject.h"
#include "puppet/PPString.h"
#include "puppet/PPVector.h"

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
        PPVector<Kind*>& all = stored();
        for (int i = all.size(); i-- > 0;)
            if (all[i]->name().equals(name)) return all[i];
        Kind* id = new Kind(name);
        all.push_back(id);
        return id;
    }
    static void releaseStored() {
        PPVector<Kind*>& all = stored();
        for (int i = all.size(); i-- > 0;) delete all[i];
        all.clear();
    }

protected:
    explicit InternedID(const PPString& name) : ID(name) {}

private:
    // The identifiers still alive at program exit go with the list.
    struct Stored : PPVector<Kind*> {
        ~Stored() override {
            for (Kind* id : *this) delete id;
        }
    };
    static PPVector<Kind*>& stored() {
        static Stored all;
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
