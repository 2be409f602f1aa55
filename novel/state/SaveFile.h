// Save files and "cfg.cfg" on disk: the save container with every byte complemented. Writing goes to a
// temporary file renamed over the old one, so a crash never leaves a half-written file behind.
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

}  // namespace SaveFile
