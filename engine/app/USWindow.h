// The application window: creates the Win32 window, maps handles back to itself through the
// process-wide window table, and passes every message to its list of receivers.
#pragma once
#include <list>
#include <mutex>
#include <string>
#include <vector>

#include "engine/app/WindowsMessageReceiver.h"

// A table of pointers whose indices stay valid: removed indices are reused last-in first-out, and a
// removed index no longer resolves.
template <class T>
class CUSNonDeleteIndexVector {
public:
    virtual ~CUSNonDeleteIndexVector() = default;
    virtual void Clear() {
        items_.clear();
        free_.clear();
        cursor_ = 0;
    }
    virtual int Add(T* item) {
        if (!free_.empty()) {
            int index = free_.back();
            free_.pop_back();
            items_[index] = item;
            return index;
        }
        items_.push_back(item);
        return static_cast<int>(items_.size()) - 1;
    }
    virtual size_t Capacity() const { return items_.size(); }
    virtual size_t Count() const { return items_.size() - free_.size(); }
    virtual void ResetCursor() { cursor_ = 0; }
    virtual T* Next() {
        while (cursor_ < items_.size()) {
            T* item = items_[cursor_++];
            if (item) return item;
        }
        return nullptr;
    }
    void Remove(int index) {
        if (index < 0 || static_cast<size_t>(index) >= items_.size() || !items_[index]) return;
        items_[index] = nullptr;
        free_.push_back(index);
    }
    T* Get(int index) const {
        return index >= 0 && static_cast<size_t>(index) < items_.size() ? items_[index] : nullptr;
    }

private:
    std::vector<T*> items_;
    std::vector<int> free_;
    size_t cursor_ = 0;
};

class CUSWindow : public CWindowsMessageReceiver {
public:
    CUSWindow() = default;
    ~CUSWindow() override;

    LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
    virtual void ClearReceivers();
    virtual LRESULT WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void AddReceiver(CWindowsMessageReceiver* receiver);
    virtual void OnRestored() {}
    virtual void ApplyStyle();
    virtual void Destroy(HWND hwnd);
    virtual void SetTitle(const char* text);

    // Registers the class named after the title and creates a centred window with a client area of
    // width x height. Does nothing more when the class cannot be registered.
    void Create(HINSTANCE instance, const char* title, unsigned width, unsigned height);
    static LRESULT StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static CUSNonDeleteIndexVector<CUSWindow>& Table();

    HWND GetHandle() const { return hwnd_; }
    bool IsActive() const { return active_ != 0; }
    bool IsMinimized() const { return minimized_ != 0; }
    unsigned GetWidth() const { return width_; }
    unsigned GetHeight() const { return height_; }
    DWORD GetStyle() const { return style_; }
    void SetStyle(DWORD style) { style_ = style; }

private:
    HWND hwnd_ = nullptr;
    unsigned char active_ = 0;
    unsigned char minimized_ = 0;
    unsigned width_ = 0;
    unsigned height_ = 0;
    std::mutex receiversLock_;
    std::list<CWindowsMessageReceiver*> receivers_;
    DWORD style_ = 0;
    int index_ = -1;
};
