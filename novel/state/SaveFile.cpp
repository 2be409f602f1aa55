// Save files and "cfg.cfg" on disk, through the byte-complementing filters; the save files' seal.
#include "novel/state/SaveFile.h"

#include <sstream>
#include <string>

#include <boost/iostreams/copy.hpp>
#include <boost/iostreams/device/array.hpp>
#include <boost/iostreams/device/back_inserter.hpp>
#include <boost/iostreams/filtering_stream.hpp>

#include <windows.h>

#include "engine/files/USFileWrite.h"

namespace SaveFile {

void Write(const char* path, SaveDataLoader4::SaveData& data) {
    std::string bytes;
    {
        boost::iostreams::filtering_ostream out;
        out.push(neg_ofilter());
        out.push(boost::iostreams::back_inserter(bytes));
        data.Save(out);
    }
    if (!WriteFileAtomic(path, bytes.data(), bytes.size())) throw SaveDataLoader4::save_error("cannot write the file");
}

void Read(const char* path, SaveDataLoader4::SaveData& data) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) throw SaveDataLoader4::save_error("cannot read the file");
    DWORD high = 0;
    const DWORD size = GetFileSize(file, &high);
    // The size is checked before anything is allocated: a file far larger than any this program
    // writes is refused without being read.
    if (size == INVALID_FILE_SIZE || high != 0 || size > kMaxFileSize) {
        CloseHandle(file);
        throw SaveDataLoader4::save_error("the file is too large");
    }
    std::string raw(size, '\0');
    DWORD got = 0;
    const bool ok = ReadFile(file, raw.data(), size, &got, nullptr) && got == size;
    CloseHandle(file);
    if (!ok) throw SaveDataLoader4::save_error("cannot read the file");
    std::string bytes;
    {
        boost::iostreams::filtering_istream in;
        in.push(neg_ifilter());
        in.push(boost::iostreams::array_source(raw.data(), raw.size()));
        boost::iostreams::copy(in, boost::iostreams::back_inserter(bytes));
    }
    std::istringstream in(bytes);
    data.Load(in);
}

namespace {

const CSaveDataKey& CheckKey() {
    static const CSaveDataKey key("Check", 0);
    return key;
}

}  // namespace

void Seal(SaveDataLoader4::SaveData& data) {
    const uint32_t sum = data.Checksum(CheckKey());
    SaveDataLoader4::DataNode* node = data.CreateNode(CheckKey());
    if (!node) throw SaveDataLoader4::save_error("the check record's key is held by a saved object");
    node->GetWriter().Write(&sum, 4);
}

void CheckSeal(SaveDataLoader4::SaveData& data) {
    SaveDataLoader4::save_istream reader = data.OpenReader(CheckKey());
    uint32_t sum = 0;
    if (reader.GetSize() == 4) reader.Read(&sum, 4);
    if (reader.GetSize() != 4 || sum != data.Checksum(CheckKey()))
        throw SaveDataLoader4::save_error("a record is damaged: the file's check does not match its records");
}

}  // namespace SaveFile
