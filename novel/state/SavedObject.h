// Persistent objects: each registers under a name and a number and saves and loads itself through a
// byte stream. One registry per kind: save files (_tagSaveData) and the configuration file
// (_tagConfigData).
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "engine/save/USBinaryStream.h"

struct _tagSaveData {};
struct _tagConfigData {};

template <class Kind>
class ISavedObject {
public:
    using Key = std::pair<std::string, uint32_t>;
    using Registry = std::map<Key, ISavedObject*>;

    ISavedObject() = default;
    ISavedObject(const ISavedObject&) = delete;
    ISavedObject& operator=(const ISavedObject&) = delete;
    virtual ~ISavedObject() {
        if (!name_.empty()) GetRegistry().erase(Key(name_, number_));
    }

    // Enters the object under (name, number); a later registration of the same key replaces it.
    virtual void Register(const char* name, uint32_t number) {
        name_ = name;
        number_ = number;
        GetRegistry()[Key(name_, number_)] = this;
    }
    virtual void Save(USLib::binary_ostream<256>& out) = 0;
    virtual void Load(USLib::binary_istream& in, uint32_t version) = 0;
    virtual void BeginLoad() {}
    virtual void EndLoad() {}

    const std::string& GetName() const { return name_; }
    uint32_t GetNumber() const { return number_; }

    static Registry& GetRegistry() {
        // Never destroyed: singletons that unregister at exit may outlive any static.
        static Registry* registry = new Registry;
        return *registry;
    }

private:
    std::string name_;
    uint32_t number_ = 0;
};
