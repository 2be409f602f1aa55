// Display-mode list: the adapter's modes through Direct3D 9, filtered by the window size, kept as an
// ordered set of sizes.
#include "settings_tool/ResolutionList.h"

#include <d3d9.h>

#include <boost/format.hpp>
#include <iterator>
#include <tuple>

#include "settings_tool/AppSetting.h"

void ResolutionInfo::Set(uint32_t width, uint32_t height) {
    Width = width;
    Height = height;
}

void ResolutionInfo::Get(uint32_t& width, uint32_t& height) const {
    width = Width;
    height = Height;
}

std::string ResolutionInfo::ToString() const { return (boost::format("%d x %d") % Width % Height).str(); }

bool ResolutionInfo::operator<(const ResolutionInfo& other) const {
    return std::tie(Width, Height) < std::tie(other.Width, other.Height);
}

bool ResolutionInfo::operator==(const ResolutionInfo& other) const {
    return Width == other.Width && Height == other.Height;
}

ResolutionList::~ResolutionList() { Clear(); }

bool ResolutionList::Enumerate() {
    uint32_t minWidth = 0, minHeight = 0;
    GetAppSetting().GetWindowSize(minWidth, minHeight);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d) return false;
    static const D3DFORMAT kFormats[] = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5};
    bool ok = true;
    try {
        for (D3DFORMAT format : kFormats) {
            UINT count = d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, format);
            for (UINT i = 0; i < count; ++i) {
                D3DDISPLAYMODE mode{};
                if (FAILED(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, format, i, &mode))) continue;
                if (mode.Width < minWidth || mode.Height < minHeight) continue;
                m_sizes.insert(ResolutionInfo(mode.Width, mode.Height));
            }
        }
    } catch (const std::exception&) {
        ok = false;
    }
    d3d->Release();
    return ok;
}

void ResolutionList::Clear() { m_sizes.clear(); }

const ResolutionInfo& ResolutionList::At(unsigned index) const { return *std::next(m_sizes.begin(), index); }

void ResolutionList::GetAt(unsigned index, uint32_t& width, uint32_t& height) const { At(index).Get(width, height); }

std::string ResolutionList::GetText(unsigned index) const { return At(index).ToString(); }

int ResolutionList::IndexOf(uint32_t width, uint32_t height) const {
    auto found = m_sizes.find(ResolutionInfo(width, height));
    return found == m_sizes.end() ? 0 : static_cast<int>(std::distance(m_sizes.begin(), found));
}

ResolutionList& GetResolutionList() {
    static ResolutionList list;
    return list;
}
