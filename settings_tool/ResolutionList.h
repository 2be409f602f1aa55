// The full-screen sizes the default display adapter offers, at least as large as the game window,
// sorted by width then height without duplicates, for Fenwick's drop-down list.
#pragma once
#include <cstdint>
#include <set>
#include <string>

class ResolutionInfo {
public:
    ResolutionInfo() = default;
    ResolutionInfo(uint32_t width, uint32_t height) : Width(width), Height(height) {}
    virtual ~ResolutionInfo() = default;

    void Set(uint32_t width, uint32_t height);
    void Get(uint32_t& width, uint32_t& height) const;
    // "1024 x 768"
    std::string ToString() const;

    bool operator<(const ResolutionInfo& other) const;
    bool operator==(const ResolutionInfo& other) const;

private:
    uint32_t Width = 0;
    uint32_t Height = 0;
};

class ResolutionList {
public:
    virtual ~ResolutionList();
    // Adds the adapter's modes of 32-bit and 16-bit colour that are at least the window size. Does not
    // empty the list first. False when no Direct3D object exists or an error stopped the walk.
    virtual bool Enumerate();
    virtual void Clear();

    unsigned GetCount() const { return static_cast<unsigned>(m_sizes.size()); }
    // The entry at a position in ascending order; index must be below GetCount.
    void GetAt(unsigned index, uint32_t& width, uint32_t& height) const;
    std::string GetText(unsigned index) const;
    // Position of the entry equal to the size; 0 when there is none.
    int IndexOf(uint32_t width, uint32_t height) const;

private:
    const ResolutionInfo& At(unsigned index) const;

    std::set<ResolutionInfo> m_sizes;
};

// The process-wide list, empty until Enumerate.
ResolutionList& GetResolutionList();
