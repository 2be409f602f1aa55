// 32-bit resource handles and the manager template that owns one kind of resource: a handle names a
// slot (low 16 bits) and carries the serial issued with it (high 16 bits), so a handle kept after
// its object was released resolves to nothing instead of to the slot's next object.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

template <class Tag>
class Handle {
public:
    constexpr Handle() = default;
    constexpr explicit Handle(std::uint32_t value) : value_(value) {}

    constexpr std::uint32_t Value() const { return value_; }
    constexpr std::uint32_t Index() const { return value_ & 0xFFFF; }
    constexpr std::uint32_t Serial() const { return value_ >> 16; }
    constexpr bool IsNull() const { return value_ == 0; }
    constexpr explicit operator bool() const { return value_ != 0; }
    constexpr void Clear() { value_ = 0; }
    friend constexpr bool operator==(Handle a, Handle b) { return a.value_ == b.value_; }

private:
    std::uint32_t value_ = 0;
};

template <class T, class HandleT>
class CUSHandleManager {
public:
    CUSHandleManager() = default;
    CUSHandleManager(const CUSHandleManager&) = delete;
    CUSHandleManager& operator=(const CUSHandleManager&) = delete;
    virtual ~CUSHandleManager() { ReleaseAll(); }

    // Deletes every live object in slot order and empties the table; the serial counter goes on.
    virtual void ReleaseAll() {
        for (std::unique_ptr<T>& object : objects_) object.reset();
        objects_.clear();
        serials_.clear();
        freeIndices_.clear();
        cursor_ = 0;
    }

    // Keeps the object and writes its new handle; returns the object. A full table (65536 slots, none
    // free) cannot name another slot: the object is deleted, the handle written is 0 and null returned.
    virtual T* Add(std::unique_ptr<T> object, HandleT* out) {
        std::uint32_t index;
        if (freeIndices_.empty()) {
            if (objects_.size() > 0xFFFF) {
                if (out) *out = HandleT();
                return nullptr;
            }
            index = static_cast<std::uint32_t>(objects_.size());
        } else {
            index = freeIndices_.back();
        }
        if (++serialCounter_ > 0xFFFF) serialCounter_ = 1;
        std::uint32_t serial = serialCounter_;
        if (out) *out = HandleT((serial << 16) | index);
        if (freeIndices_.empty()) {
            objects_.push_back(std::move(object));
            serials_.push_back(serial);
        } else {
            freeIndices_.pop_back();
            objects_[index] = std::move(object);
            serials_[index] = serial;
        }
        return objects_[index].get();
    }

    // Deletes the handle's object and frees its slot; clears the caller's handle in every case.
    // False for 0, stale, foreign or never-issued (serial 0) handles.
    virtual bool Release(HandleT& handle) {
        if (handle.IsNull()) return false;
        std::uint32_t index = handle.Index();
        if (handle.Serial() == 0 || index >= serials_.size() || serials_[index] != handle.Serial()) {
            handle.Clear();
            return false;
        }
        objects_[index].reset();
        freeIndices_.push_back(index);
        serials_[index] = 0;
        handle.Clear();
        return true;
    }

    virtual std::uint32_t GetCapacity() const { return static_cast<std::uint32_t>(objects_.size()); }
    virtual std::uint32_t GetCount() const {
        return static_cast<std::uint32_t>(objects_.size() - freeIndices_.size());
    }
    virtual T* First() {
        ResetCursor();
        return Next();
    }
    virtual void ResetCursor() { cursor_ = 0; }
    virtual T* Next() {
        while (cursor_ < objects_.size()) {
            if (T* object = objects_[cursor_++].get()) return object;
        }
        return nullptr;
    }

    // The object a handle names, or null for 0, stale and foreign handles.
    T* Get(HandleT handle) const {
        if (handle.IsNull()) return nullptr;
        std::uint32_t index = handle.Index();
        if (index >= serials_.size() || serials_[index] != handle.Serial()) return nullptr;
        return objects_[index].get();
    }

private:
    std::vector<std::unique_ptr<T>> objects_;
    std::uint32_t cursor_ = 0;
    std::vector<std::uint32_t> serials_;
    std::vector<std::uint32_t> freeIndices_;
    static inline std::uint32_t serialCounter_ = 0;
};
