// The mmio RIFF reader: one read-only byte source (a file or a memory image) with a position, and the
// chunk walk on top of it. Chunk sizes come from the file and are never trusted to lie within it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "win32/mmio.h"
#include "win32/path.h"

struct HMMIO__ {
    std::FILE* file = nullptr;      // file mode
    const BYTE* image = nullptr;    // memory mode
    std::int64_t size = 0;
    std::int64_t pos = 0;
    HMMIO__() = default;
    HMMIO__(const HMMIO__&) = delete;
    HMMIO__& operator=(const HMMIO__&) = delete;
    ~HMMIO__() {
        if (file) std::fclose(file);
    }

    LONG Read(void* out, LONG count) {
        if (count < 0) return -1;
        std::int64_t n = std::min<std::int64_t>(count, pos < size ? size - pos : 0);
        if (n <= 0) return 0;
        if (image) {
            std::memcpy(out, image + pos, static_cast<size_t>(n));
        } else {
            if (std::fseek(file, static_cast<long>(pos), SEEK_SET) != 0) return -1;
            n = static_cast<std::int64_t>(std::fread(out, 1, static_cast<size_t>(n), file));
        }
        pos += n;
        return static_cast<LONG>(n);
    }

    bool ReadDword(DWORD& v) {
        BYTE b[4];
        if (Read(b, 4) != 4) return false;
        v = static_cast<DWORD>(b[0]) | (static_cast<DWORD>(b[1]) << 8) | (static_cast<DWORD>(b[2]) << 16) |
            (static_cast<DWORD>(b[3]) << 24);
        return true;
    }
};

namespace {

HMMIO Fail(LPMMIOINFO info, UINT error) {
    if (info) info->wErrorRet = error;
    return nullptr;
}

}  // namespace

HMMIO mmioOpenA(LPSTR name, LPMMIOINFO info, DWORD flags) {
    if ((flags & (MMIO_WRITE | MMIO_READWRITE)) != 0) return Fail(info, MMSYSERR_INVALPARAM);
    auto h = std::make_unique<HMMIO__>();
    if (info && info->fccIOProc == FOURCC_MEM) {
        if (!info->pchBuffer || info->cchBuffer < 0) return Fail(info, MMSYSERR_INVALPARAM);
        h->image = reinterpret_cast<const BYTE*>(info->pchBuffer);
        h->size = info->cchBuffer;
    } else if (name && (!info || info->fccIOProc == 0 || info->fccIOProc == FOURCC_DOS) && !(info && info->pIOProc)) {
        h->file = std::fopen(win32::NativePath(name).c_str(), "rb");
        if (!h->file || std::fseek(h->file, 0, SEEK_END) != 0) return Fail(info, MMIOERR_CANNOTOPEN);
        h->size = std::ftell(h->file);
    } else {
        return Fail(info, MMSYSERR_INVALPARAM);
    }
    if (info) {
        info->wErrorRet = MMSYSERR_NOERROR;
        info->hmmio = h.get();
    }
    return h.release();
}

MMRESULT mmioClose(HMMIO mmio, UINT) {
    if (!mmio) return MMSYSERR_INVALHANDLE;
    delete mmio;
    return MMSYSERR_NOERROR;
}

LONG mmioRead(HMMIO mmio, HPSTR buffer, LONG count) {
    if (!mmio || (!buffer && count > 0)) return -1;
    return mmio->Read(buffer, count);
}

LONG mmioSeek(HMMIO mmio, LONG offset, int origin) {
    if (!mmio) return -1;
    std::int64_t base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? mmio->pos : origin == SEEK_END ? mmio->size : -1;
    if (base < 0) return -1;
    std::int64_t to = base + offset;
    if (to < 0 || to > 0x7FFFFFFF) return -1;
    mmio->pos = to;
    return static_cast<LONG>(to);
}

MMRESULT mmioDescend(HMMIO mmio, LPMMCKINFO ck, const MMCKINFO* parent, UINT flags) {
    if (!mmio || !ck) return MMSYSERR_INVALPARAM;
    // The search stays inside the parent's data (or the file).
    std::int64_t end = parent ? std::int64_t(parent->dwDataOffset) + parent->cksize : mmio->size;
    if (end > mmio->size) end = mmio->size;
    const FOURCC wantId = (flags & MMIO_FINDRIFF) ? FOURCC_RIFF : (flags & MMIO_FINDLIST) ? FOURCC_LIST : ck->ckid;
    const bool byType = (flags & (MMIO_FINDRIFF | MMIO_FINDLIST)) != 0;
    const bool search = (flags & (MMIO_FINDCHUNK | MMIO_FINDRIFF | MMIO_FINDLIST)) != 0;
    const FOURCC wantType = ck->fccType;
    for (;;) {
        if (mmio->pos + 8 > end) return MMIOERR_CHUNKNOTFOUND;
        MMCKINFO found{};
        if (!mmio->ReadDword(found.ckid) || !mmio->ReadDword(found.cksize)) return MMIOERR_CHUNKNOTFOUND;
        found.dwDataOffset = static_cast<DWORD>(mmio->pos);
        const bool hasType = found.ckid == FOURCC_RIFF || found.ckid == FOURCC_LIST;
        if (hasType && !mmio->ReadDword(found.fccType)) return MMIOERR_CHUNKNOTFOUND;
        if (!search || (found.ckid == wantId && (!byType || found.fccType == wantType))) {
            *ck = found;
            return MMSYSERR_NOERROR;
        }
        // Skip this chunk and its pad byte.
        mmio->pos = std::int64_t(found.dwDataOffset) + found.cksize + (found.cksize & 1);
    }
}

MMRESULT mmioAscend(HMMIO mmio, LPMMCKINFO ck, UINT) {
    if (!mmio || !ck) return MMSYSERR_INVALPARAM;
    mmio->pos = std::int64_t(ck->dwDataOffset) + ck->cksize + (ck->cksize & 1);
    return MMSYSERR_NOERROR;
}
