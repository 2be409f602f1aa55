// CP932 <-> UTF-8/UTF-16 conversions through glibc iconv ("CP932": the Windows code page, with the
// NEC and IBM rows; "SHIFT_JIS" would map 0x5C and 0x7E differently).
#include "win32/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

// Converts with iconv; an unconvertible input sequence is skipped by `skip` bytes and `replacement`
// (already in the target encoding) is emitted instead. Returns false when anything was replaced.
bool Convert(const char* to, const char* from, std::string_view in, std::string& out, std::string_view replacement,
             size_t skip) {
    out.clear();
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        out.assign(in);
        return false;
    }
    bool exact = true;
    std::vector<char> buf(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    while (srcLeft > 0) {
        char* dst = buf.data();
        size_t dstLeft = buf.size();
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf.data(), dst - buf.data());
        if (r != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL (truncated sequence): replace and move on.
        exact = false;
        out.append(replacement);
        size_t n = std::min(skip, srcLeft);
        src += n;
        srcLeft -= n;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return exact;
}

}  // namespace

namespace win32 {

std::string Cp932ToUtf8(std::string_view cp932) {
    // Pure ASCII needs no conversion (the common case for file names).
    bool ascii = true;
    for (unsigned char c : cp932)
        if (c >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) return std::string(cp932);
    std::string out;
    out.reserve(cp932.size() * 2);
    // A bad byte is skipped alone, so that one stray byte never swallows the next character.
    Convert("UTF-8", "CP932", cp932, out, "\xEF\xBF\xBD", 1);
    return out;
}

bool Utf8ToCp932(std::string_view utf8, std::string& out) {
    bool ascii = true;
    for (unsigned char c : utf8)
        if (c >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) {
        out.assign(utf8);
        return true;
    }
    // Skip one whole UTF-8 sequence at a time.
    std::string result;
    result.reserve(utf8.size());
    bool exact = true;
    size_t i = 0;
    while (i < utf8.size()) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        if (i + len > utf8.size()) len = utf8.size() - i;
        size_t j = i + len;
        // Gather a run of characters and convert it in one call.
        while (j < utf8.size() && (j - i) < 4096) {
            unsigned char d = static_cast<unsigned char>(utf8[j]);
            size_t l = d < 0x80 ? 1 : (d >> 5) == 6 ? 2 : (d >> 4) == 14 ? 3 : (d >> 3) == 30 ? 4 : 1;
            if (j + l > utf8.size()) break;
            j += l;
        }
        std::string part;
        std::string_view run = utf8.substr(i, j - i);
        if (!Convert("CP932", "UTF-8", run, part, "?", 1)) {
            // Redo character by character so that a bad character costs exactly one '?'.
            exact = false;
            part.clear();
            size_t k = 0;
            while (k < run.size()) {
                unsigned char d = static_cast<unsigned char>(run[k]);
                size_t l = d < 0x80 ? 1 : (d >> 5) == 6 ? 2 : (d >> 4) == 14 ? 3 : (d >> 3) == 30 ? 4 : 1;
                l = std::min(l, run.size() - k);
                std::string one;
                if (Convert("CP932", "UTF-8", run.substr(k, l), one, "", l))
                    part += one;
                else
                    part += '?';
                k += l;
            }
        }
        result += part;
        i = j;
    }
    out = std::move(result);
    return exact;
}

std::string Utf8ToCp932(std::string_view utf8) {
    std::string out;
    Utf8ToCp932(utf8, out);
    return out;
}

}  // namespace win32

namespace {

const char* EncodingOf(UINT codePage) {
    switch (codePage) {
        case CP_UTF8: return "UTF-8";
        case 932:
        case CP_ACP:
        case CP_OEMCP: return "CP932";
        default: return nullptr;
    }
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR src, int srcLen, LPWSTR dst, int dstLen) {
    const char* enc = EncodingOf(codePage);
    if (!enc || !src) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // srcLen -1: the terminator is converted too and counted.
    size_t n = srcLen < 0 ? std::strlen(src) + 1 : static_cast<size_t>(srcLen);
    std::string utf16;
    Convert("UTF-16LE", enc, std::string_view(src, n), utf16, std::string("\xFD\xFF", 2), 1);
    int units = static_cast<int>(utf16.size() / 2);
    if (dstLen == 0) return units;
    if (!dst || dstLen < units) {
        SetLastError(122);  // ERROR_INSUFFICIENT_BUFFER
        return 0;
    }
    std::memcpy(dst, utf16.data(), utf16.size());
    return units;
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR src, int srcLen, LPSTR dst, int dstLen, LPCSTR defaultChar,
                        LPBOOL usedDefault) {
    const char* enc = EncodingOf(codePage);
    if (!enc || !src) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = 0;
    if (srcLen < 0) {
        while (src[n]) ++n;
        ++n;
    } else {
        n = static_cast<size_t>(srcLen);
    }
    std::string out;
    bool exact = Convert(enc, "UTF-16LE", std::string_view(reinterpret_cast<const char*>(src), n * 2), out,
                         defaultChar ? defaultChar : "?", 2);
    if (usedDefault) *usedDefault = exact ? FALSE : TRUE;
    int bytes = static_cast<int>(out.size());
    if (dstLen == 0) return bytes;
    if (!dst || dstLen < bytes) {
        SetLastError(122);
        return 0;
    }
    std::memcpy(dst, out.data(), out.size());
    return bytes;
}
