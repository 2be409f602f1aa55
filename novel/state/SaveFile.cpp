// Save files and "cfg.cfg" on disk, through the byte-complementing filters.
#include "novel/state/SaveFile.h"

#include <sstream>
#include <string>

#include <boost/iostreams/device/array.hpp>
#include <boost/iostreams/copy.hpp>
#include <boost/iostreams/device/back_inserter.hpp>
#include <boost/iostreams/filtering_stream.hpp>

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
    USLib::binary_istream file;
    if (!file.Open(path)) throw SaveDataLoader4::save_error("cannot read the file");
    std::string bytes;
    {
        boost::iostreams::filtering_istream in;
        in.push(neg_ifilter());
        in.push(boost::iostreams::array_source(reinterpret_cast<const char*>(file.GetData()), file.GetSize()));
        boost::iostreams::copy(in, boost::iostreams::back_inserter(bytes));
    }
    std::istringstream in(bytes);
    data.Load(in);
}

}  // namespace SaveFile
