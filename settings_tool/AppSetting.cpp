// Settings record and "config.xml": read with Boost's INI reader, written by hand as six CR LF lines.
#include "settings_tool/AppSetting.h"

#include <windows.h>

#include <boost/property_tree/ini_parser.hpp>
#include <boost/property_tree/ptree.hpp>
#include <fstream>
#include <string>

#include "win32/path.h"

namespace {

const char kFileName[] = "config.xml";
const char kTempName[] = "config.xml.tmp";

// Writes text to a temporary file beside target, flushes it to disk and renames it over target.
bool ReplaceFile(const char* target, const char* temp, const std::string& text) {
    HANDLE file = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size() && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    ok = ok && MoveFileExA(temp, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) DeleteFileA(temp);
    return ok;
}

}  // namespace

AppSetting::AppSetting() { SetDefaults(); }

void AppSetting::SetDefaults() {
    PlayMovie = true;
    Width = 800;
    Height = 600;
    FullWidth = 800;
    FullHeight = 600;
}

void AppSetting::Load() {
    try {
        std::ifstream in(win32::NativePath(kFileName), std::ios::binary);
        if (!in) throw std::runtime_error("cannot open file");
        boost::property_tree::ptree tree;
        boost::property_tree::read_ini(in, tree);
        PlayMovie = tree.get<int>("root.PlayMovie", 1) != 0;
        Width = 800;
        Height = 600;
        FullWidth = static_cast<uint32_t>(tree.get<int>("root.FullWidth", 800));
        FullHeight = static_cast<uint32_t>(tree.get<int>("root.FullHeight", 600));
    } catch (const std::exception&) {
        SetDefaults();
    }
}

bool AppSetting::Save() const {
    std::string text = "[root]\r\n";
    text += "PlayMovie=" + std::to_string(PlayMovie ? 1 : 0) + "\r\n";
    text += "Width=" + std::to_string(Width) + "\r\n";
    text += "Height=" + std::to_string(Height) + "\r\n";
    text += "FullWidth=" + std::to_string(FullWidth) + "\r\n";
    text += "FullHeight=" + std::to_string(FullHeight) + "\r\n";
    return ReplaceFile(kFileName, kTempName, text);
}

void AppSetting::SetFullScreenSize(uint32_t width, uint32_t height) {
    FullWidth = width;
    FullHeight = height;
}

void AppSetting::GetFullScreenSize(uint32_t& width, uint32_t& height) const {
    width = FullWidth;
    height = FullHeight;
}

void AppSetting::GetWindowSize(uint32_t& width, uint32_t& height) const {
    width = Width;
    height = Height;
}

AppSetting& GetAppSetting() {
    static AppSetting setting;
    return setting;
}
