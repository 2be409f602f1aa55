// Save files and "cfg.cfg" on disk: the save container with every byte complemented, and the check
// record that seals a save file. Writing goes to a temporary file renamed over the old one, so a crash
// never leaves a half-written file behind.
#pragma once
#include <ios>

#include <boost/iostreams/concepts.hpp>
#include <boost/iostreams/operations.hpp>

#include "engine/save/SaveData.h"

// Writes every byte as its bitwise NOT; stops at the first byte the sink refuses.
class neg_ofilter : public boost::iostreams::multichar_output_filter {
public:
    template <class Sink>
    std::streamsize write(Sink& sink, const char* s, std::streamsize n) {
        std::streamsize i = 0;
        for (; i < n; ++i) {
            if (!boost::iostreams::put(sink, static_cast<char>(~s[i]))) break;
        }
        return i;
    }
};

// Reads bytes one at a time and returns each complemented; at the end of input the number read so
// far, or end-of-file when none was read.
class neg_ifilter : public boost::iostreams::multichar_input_filter {
public:
    template <class Source>
    std::streamsize read(Source& source, char* s, std::streamsize n) {
        std::streamsize i = 0;
        for (; i < n; ++i) {
            int c = boost::iostreams::get(source);
            if (c == EOF) return i ? i : -1;
            if (c == boost::iostreams::WOULD_BLOCK) return i;
            s[i] = static_cast<char>(~c);
        }
        return i;
    }
};

namespace SaveFile {

// Writes the container to path (a Windows-style name); throws SaveDataLoader4::save_error on failure,
// leaving the old file as it was.
void Write(const char* path, SaveDataLoader4::SaveData& data);
// The largest file Read accepts: far above any save or "cfg.cfg" this program writes.
constexpr unsigned long kMaxFileSize = 32ul << 20;
// Reads the whole container from path; throws SaveDataLoader4::save_error when the file is missing,
// unreadable, larger than kMaxFileSize or not a container.
void Read(const char* path, SaveDataLoader4::SaveData& data);

// A save file is sealed by a check record ("Check", 0): four bytes, the container's checksum of every
// other record. A record damaged inside a container that still reads whole (its length fixed up,
// bytes changed or cut) is found by it before anything of the file is shown or loaded.
// Seal adds the record to a container filled for saving; throws save_error when the key is taken.
void Seal(SaveDataLoader4::SaveData& data);
// Throws save_error when the check record is missing or does not match the other records.
void CheckSeal(SaveDataLoader4::SaveData& data);

}  // namespace SaveFile
