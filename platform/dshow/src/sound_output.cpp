// Conversion of a movie's decoded sound to 16-bit PCM and its queueing on an XAudio2 voice.
#include "sound_output.h"

#include <algorithm>

namespace dshow {

std::unique_ptr<SoundOutput> SoundOutput::Open(const AVCodecContext* codec) {
    std::unique_ptr<SoundOutput> s(new SoundOutput);
    s->m_rate = codec->sample_rate;
    s->m_channels = std::min(codec->ch_layout.nb_channels, 2);
    if (s->m_rate <= 0 || s->m_channels <= 0) return nullptr;

    AVChannelLayout in{}, out{};
    if (codec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        Ff().av_channel_layout_default(&in, codec->ch_layout.nb_channels);
    else if (Ff().av_channel_layout_copy(&in, &codec->ch_layout) < 0)
        return nullptr;
    Ff().av_channel_layout_default(&out, s->m_channels);
    int r = Ff().swr_alloc_set_opts2(&s->m_resampler, &out, AV_SAMPLE_FMT_S16, s->m_rate, &in, codec->sample_fmt,
                                codec->sample_rate, 0, nullptr);
    Ff().av_channel_layout_uninit(&in);
    Ff().av_channel_layout_uninit(&out);
    if (r < 0 || Ff().swr_init(s->m_resampler) < 0) return nullptr;

    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(s->m_channels);
    format.nSamplesPerSec = static_cast<DWORD>(s->m_rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(2 * s->m_channels);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    if (FAILED(XAudio2Create(&s->m_engine)) || FAILED(s->m_engine->CreateMasteringVoice(&s->m_master)) ||
        FAILED(s->m_engine->CreateSourceVoice(&s->m_voice, &format)))
        return nullptr;
    return s;
}

SoundOutput::~SoundOutput() {
    if (m_voice) m_voice->DestroyVoice();
    if (m_master) m_master->DestroyVoice();
    if (m_engine) m_engine->Release();
    Ff().swr_free(&m_resampler);
}

void SoundOutput::Start() { m_voice->Start(); }

void SoundOutput::Write(const AVFrame* frame) {
    int room = Ff().swr_get_out_samples(m_resampler, frame->nb_samples);
    if (room <= 0) return;
    size_t used = m_pending.size();
    m_pending.resize(used + static_cast<size_t>(room) * m_channels);
    uint8_t* out = reinterpret_cast<uint8_t*>(m_pending.data() + used);
    int got = Ff().swr_convert(m_resampler, &out, room, const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    m_pending.resize(used + static_cast<size_t>(std::max(got, 0)) * m_channels);
    if (m_pending.size() >= static_cast<size_t>(m_rate / 20) * m_channels) Submit(false);
}

void SoundOutput::Finish() { Submit(true); }

void SoundOutput::Submit(bool last) {
    if (m_pending.empty() && !last) return;
    if (m_pending.empty()) m_pending.resize(static_cast<size_t>(m_channels));  // a silent frame carries the end mark
    m_queued.push_back(std::move(m_pending));
    m_pending.clear();
    const std::vector<std::int16_t>& data = m_queued.back();
    XAUDIO2_BUFFER buffer{};
    buffer.Flags = last ? XAUDIO2_END_OF_STREAM : 0;
    buffer.AudioBytes = static_cast<UINT32>(data.size() * sizeof(std::int16_t));
    buffer.pAudioData = reinterpret_cast<const BYTE*>(data.data());
    if (FAILED(m_voice->SubmitSourceBuffer(&buffer))) m_queued.pop_back();
}

UINT32 SoundOutput::BuffersQueued() {
    XAUDIO2_VOICE_STATE state{};
    m_voice->GetState(&state);
    while (m_queued.size() > state.BuffersQueued) m_queued.pop_front();
    return state.BuffersQueued;
}

REFERENCE_TIME SoundOutput::Played() {
    XAUDIO2_VOICE_STATE state{};
    m_voice->GetState(&state);
    return static_cast<REFERENCE_TIME>(state.SamplesPlayed * 10000000ull / static_cast<UINT64>(m_rate));
}

}  // namespace dshow
