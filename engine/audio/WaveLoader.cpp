// WAV loader: the chunk walk shared by whole loads and streams, PCM stored as the file has it.
#include "engine/audio/WaveLoader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace USXAudio2 {

WaveLoader::~WaveLoader() { Close(); }

void WaveLoader::Close() {
    pcm_.clear();
    pcm_.shrink_to_fit();
    if (std::FILE* stream = file_.DetachStream()) std::fclose(stream);
    file_.streamMode = false;
    streaming_ = 0;
}

bool WaveLoader::LoadCommonProc(HMMIO mmio) {
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (mmioDescend(mmio, &riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) {
        mmioClose(mmio, 0);
        Report("USXAudio2::WaveLoader::LoadCommonProc : WAVEチャンクが見つからない");
        return false;
    }
    MMCKINFO chunk{};
    chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioDescend(mmio, &chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) {
        mmioClose(mmio, 0);
        Report("USXAudio2::WaveLoader::LoadCommonProc : フォーマットチャンクが見つからない");
        return false;
    }
    fmtSize_ = chunk.cksize;
    std::memset(&format_, 0, sizeof(format_));
    // A record longer than WAVEFORMATEX (an extensible format, for one) would overrun it, and a
    // short or unplayable one has nothing the mixer can use: both are refused.
    if (fmtSize_ > sizeof(format_) || fmtSize_ < 16 ||
        mmioRead(mmio, reinterpret_cast<HPSTR>(&format_), static_cast<LONG>(fmtSize_)) != static_cast<LONG>(fmtSize_) ||
        !IsPlayableFormat(format_)) {
        mmioClose(mmio, 0);
        std::memset(&format_, 0, sizeof(format_));
        Report("USXAudio2::WaveLoader::LoadCommonProc : 対応していないフォーマットチャンク");
        return false;
    }
    mmioAscend(mmio, &chunk, 0);
    chunk = MMCKINFO{};
    chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (mmioDescend(mmio, &chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) {
        mmioClose(mmio, 0);
        Report("USXAudio2::WaveLoader::LoadCommonProc : データチャンクが見つからない");
        return false;
    }
    // A chunk may claim more than the file holds: only the bytes that are there count, so that
    // nothing is ever allocated for data that does not exist.
    const LONG end = mmioSeek(mmio, 0, SEEK_END);
    mmioSeek(mmio, static_cast<LONG>(chunk.dwDataOffset), SEEK_SET);
    const std::uint32_t held =
        end > static_cast<LONG>(chunk.dwDataOffset) ? static_cast<std::uint32_t>(end) - chunk.dwDataOffset : 0;
    AlignToBlock(std::min(chunk.cksize, held));
    return true;
}

bool WaveLoader::Load(const char* filename) {
    Close();
    if (!file_.LoadShared(filename)) {
        Report("USXAudio2::WaveLoader::Load :ファイル読み込み失敗", filename);
        return false;
    }
    MMIOINFO info{};
    info.fccIOProc = FOURCC_MEM;
    info.pchBuffer = reinterpret_cast<HPSTR>(file_.data);
    info.cchBuffer = static_cast<LONG>(file_.size);
    HMMIO mmio = mmioOpenA(nullptr, &info, MMIO_READ);
    if (!mmio) {
        Report("USXAudio2::WaveLoader::Load : メモリファイルを開くのに失敗", filename);
        return false;
    }
    if (!LoadCommonProc(mmio)) return false;
    pcm_.resize(dataSize_);
    // A data chunk cut short by the end of the file keeps the frames that are there.
    const LONG got = mmioRead(mmio, reinterpret_cast<HPSTR>(pcm_.data()), static_cast<LONG>(dataSize_));
    mmioClose(mmio, 0);
    AlignToBlock(got > 0 ? static_cast<std::uint32_t>(got) : 0);
    pcm_.resize(dataSize_);
    streaming_ = 0;
    if (dataSize_ == 0) {
        Close();
        Report("USXAudio2::WaveLoader::Load : 音声データがない", filename);
        return false;
    }
    return true;
}

bool WaveLoader::OpenStream(const char* filename) {
    Close();
    if (!file_.OpenStream(filename)) return false;
    HMMIO mmio = mmioOpenA(const_cast<LPSTR>(filename), nullptr, MMIO_READ);
    if (!mmio || !LoadCommonProc(mmio)) {
        Close();
        return false;
    }
    dataOffset_ = static_cast<std::uint32_t>(mmioSeek(mmio, 0, SEEK_CUR));
    mmioClose(mmio, 0);
    streaming_ = 1;
    return true;
}

bool WaveLoader::Seek(std::uint32_t bytePosition) {
    if (!streaming_ || bytePosition > loopEnd_) return false;
    position_ = FloorToFrame(bytePosition);
    return std::fseek(file_.stream, static_cast<long>(dataOffset_) + static_cast<long>(position_), SEEK_SET) == 0;
}

std::uint32_t WaveLoader::ReadPCM(unsigned char* buffer, std::uint32_t size) {
    return static_cast<std::uint32_t>(std::fread(buffer, 1, size, file_.stream));
}

}  // namespace USXAudio2
