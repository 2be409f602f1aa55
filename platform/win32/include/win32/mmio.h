// Multimedia file I/O of the Win32 stand-in: a read-only RIFF reader over a file or a memory image
// ("MEM " I/O procedure), with the chunk walk (descend, ascend) the WAV loader uses.
#pragma once
#include <cstdio>

#include "win32/mmreg.h"
#include "win32/types.h"
#include "win32/winmm.h"

using FOURCC = DWORD;
using HPSTR = char*;
using LPMMIOPROC = LRESULT (*)(LPSTR info, UINT message, LPARAM param1, LPARAM param2);

constexpr FOURCC mmioFOURCC(char a, char b, char c, char d) {
    return static_cast<FOURCC>(static_cast<BYTE>(a)) | (static_cast<FOURCC>(static_cast<BYTE>(b)) << 8) |
           (static_cast<FOURCC>(static_cast<BYTE>(c)) << 16) | (static_cast<FOURCC>(static_cast<BYTE>(d)) << 24);
}
#define FOURCC_RIFF mmioFOURCC('R', 'I', 'F', 'F')
#define FOURCC_LIST mmioFOURCC('L', 'I', 'S', 'T')
#define FOURCC_MEM mmioFOURCC('M', 'E', 'M', ' ')
#define FOURCC_DOS mmioFOURCC('D', 'O', 'S', ' ')

struct MMIOINFO {
    DWORD dwFlags;
    FOURCC fccIOProc;
    LPMMIOPROC pIOProc;
    UINT wErrorRet;
    HANDLE htask;
    LONG cchBuffer;
    HPSTR pchBuffer;
    HPSTR pchNext;
    HPSTR pchEndRead;
    HPSTR pchEndWrite;
    LONG lBufOffset;
    LONG lDiskOffset;
    DWORD adwInfo[3];
    DWORD dwReserved1;
    DWORD dwReserved2;
    HMMIO hmmio;
};
using LPMMIOINFO = MMIOINFO*;

struct MMCKINFO {
    FOURCC ckid;
    DWORD cksize;
    FOURCC fccType;
    DWORD dwDataOffset;
    DWORD dwFlags;
};
using LPMMCKINFO = MMCKINFO*;

#define MMSYSERR_NOERROR 0
#define MMSYSERR_INVALHANDLE 5
#define MMSYSERR_INVALPARAM 11
#define MMIOERR_BASE 256
#define MMIOERR_FILENOTFOUND (MMIOERR_BASE + 1)
#define MMIOERR_CANNOTOPEN (MMIOERR_BASE + 3)
#define MMIOERR_CANNOTREAD (MMIOERR_BASE + 5)
#define MMIOERR_CANNOTSEEK (MMIOERR_BASE + 7)
#define MMIOERR_CHUNKNOTFOUND (MMIOERR_BASE + 9)

#define MMIO_READ 0x00000000u
#define MMIO_WRITE 0x00000001u
#define MMIO_READWRITE 0x00000002u
#define MMIO_FINDCHUNK 0x0010u
#define MMIO_FINDRIFF 0x0020u
#define MMIO_FINDLIST 0x0040u

// name: a Windows-style path (CP932), or null with info->fccIOProc == FOURCC_MEM and the image in
// info->pchBuffer / info->cchBuffer (read in place, not copied). Read mode only; null on failure,
// with the reason in info->wErrorRet when info is given.
HMMIO mmioOpenA(LPSTR name, LPMMIOINFO info, DWORD flags);
MMRESULT mmioClose(HMMIO mmio, UINT flags);
// Bytes read (fewer at the end of the file), -1 on error.
LONG mmioRead(HMMIO mmio, HPSTR buffer, LONG count);
// origin SEEK_SET, SEEK_CUR or SEEK_END; the new position, -1 on error.
LONG mmioSeek(HMMIO mmio, LONG offset, int origin);
// Reads the chunk header at the current position (or, with MMIO_FINDCHUNK / MMIO_FINDRIFF /
// MMIO_FINDLIST, searches the following chunks inside parent for ck's ckid / fccType) and leaves
// the position at the chunk's data (after the form type of RIFF and LIST chunks).
MMRESULT mmioDescend(HMMIO mmio, LPMMCKINFO ck, const MMCKINFO* parent, UINT flags);
// Moves to the end of the chunk, past its pad byte when its size is odd.
MMRESULT mmioAscend(HMMIO mmio, LPMMCKINFO ck, UINT flags);
