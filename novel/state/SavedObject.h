// Persistent objects: each registers under a name and a number and saves and loads itself through a
// byte stream. One registry per kind: save files (_tagSaveData) and the configuration file
// (_tagConfigData). Saving all of a kind fills one record per object in a save container; loading
// applies a whole container or leaves every object as it was.
#pragma once
#include <cstdint>
#include <sstream>
#include <string>

#include <boost/unordered_map.hpp>

#include "engine/save/SaveData.h"
#include "engine/save/USBinaryStream.h"

struct _tagSaveData {};
struct _tagConfigData {};

template <class Kind>
class ISavedObject {
public:
    using Registry = boost::unordered_map<CSaveDataKey, ISavedObject*>;

    ISavedObject() = default;
    ISavedObject(const ISavedObject&) = delete;
    ISavedObject& operator=(const ISavedObject&) = delete;
    // Leaves the registry, unless a later object has taken the key over (that one stays registered).
    virtual ~ISavedObject() {
        if (name_.empty()) return;
        auto it = GetRegistry().find(CSaveDataKey(name_, number_));
        if (it != GetRegistry().end() && it->second == this) GetRegistry().erase(it);
    }

    // Enters the object under (name, number); a later registration of the same key replaces it.
    virtual void Register(const char* name, uint32_t number) {
        name_ = name;
        number_ = number;
        GetRegistry()[CSaveDataKey(name_, number_)] = this;
    }
    virtual void Save(USLib::binary_ostream<256>& out) = 0;
    virtual void Load(USLib::binary_istream& in, uint32_t version) = 0;
    virtual void BeginLoad() {}
    virtual void EndLoad() {}
    // Before a failed load is undone by loading the state from before it: an object whose Load adds
    // to what it holds, instead of replacing it, empties itself here, so that what the failed load
    // added goes too.
    virtual void BeginRestore() {}

    static Registry& GetRegistry() {
        // Never destroyed: singletons that unregister at exit may outlive any static.
        static Registry* registry = new Registry;
        return *registry;
    }

    // Every registered object writes its record into the container (whose version the caller sets).
    static void SaveAll(SaveDataLoader4::SaveData& data) {
        for (auto& [key, object] : GetRegistry()) {
            SaveDataLoader4::DataNode* node = data.CreateNode(key);
            if (!node) throw SaveDataLoader4::save_error("saved object key held twice");
            object->Save(node->GetWriter());
        }
    }

    // Every registered object's record read into data (empty before), as a file written by SaveAll
    // with that version would bring them back: a state LoadAll can go back to.
    static void Snapshot(SaveDataLoader4::SaveData& data, std::uint32_t version) {
        SaveDataLoader4::SaveData written;
        written.SetVersion(version);
        SaveAll(written);
        std::stringstream bytes;
        written.Save(bytes);
        data.Load(bytes);
    }

    // Every registered object reads its record: every BeginLoad, every Load, then every EndLoad. A
    // container is applied whole or not at all: when a record is missing or cannot be read, every
    // object loads its record from `before` instead (a Snapshot of the state to go back to) and a
    // save_error says what failed and whether the state before came back.
    static void LoadAll(SaveDataLoader4::SaveData& data, SaveDataLoader4::SaveData& before) {
        std::string failure;
        try {
            Apply(data);
            return;
        } catch (const std::exception& e) {
            failure = e.what();
        }
        try {
            Restore(before);
        } catch (const std::exception& e) {
            throw SaveDataLoader4::save_error(failure + "; the state before it could not be restored either (" + e.what() + ")");
        }
        throw SaveDataLoader4::save_error(failure + "; nothing of it was kept, the state before it is restored");
    }

    // Every object back to the state `before` holds (a Snapshot), as LoadAll goes back when its
    // container fails; throws what a record of `before` throws.
    static void Restore(SaveDataLoader4::SaveData& before) {
        for (auto& entry : GetRegistry()) entry.second->BeginRestore();
        Apply(before);
    }

private:
    static void Apply(SaveDataLoader4::SaveData& data) {
        for (auto& entry : GetRegistry()) entry.second->BeginLoad();
        for (auto& [key, object] : GetRegistry()) {
            SaveDataLoader4::save_istream reader = data.OpenReader(key);
            object->Load(reader, data.GetVersion());
        }
        for (auto& entry : GetRegistry()) entry.second->EndLoad();
    }

    std::string name_;
    uint32_t number_ = 0;
};
