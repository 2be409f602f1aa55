// The wave format record of the multimedia headers: 18 bytes, packed, as stored in a WAV "fmt " chunk.
#pragma once
#include "win32/types.h"

#define WAVE_FORMAT_PCM 1

#pragma pack(push, 1)
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX is the 18-byte record of the file format");
using LPWAVEFORMATEX = WAVEFORMATEX*;
