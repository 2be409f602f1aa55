// Demuxing and decoding of one stream; timestamps become 100 ns units from the stream's start.
#include "stream_decoder.h"

namespace dshow {

namespace {
constexpr AVRational kReferenceTimeBase{1, 10000000};
constexpr REFERENCE_TIME kDefaultFrameDuration = 400000;  // 25 frames a second
}  // namespace

std::unique_ptr<StreamDecoder> StreamDecoder::Open(const std::string& path, AVMediaType type) {
    if (!LoadFFmpeg()) return nullptr;
    std::unique_ptr<StreamDecoder> d(new StreamDecoder);
    if (Ff().avformat_open_input(&d->m_format, path.c_str(), nullptr, nullptr) < 0) return nullptr;
    if (Ff().avformat_find_stream_info(d->m_format, nullptr) < 0) return nullptr;
    const AVCodec* codec = nullptr;
    int index = Ff().av_find_best_stream(d->m_format, type, -1, -1, &codec, 0);
    if (index < 0 || !codec) return nullptr;
    d->m_stream = d->m_format->streams[index];
    for (unsigned i = 0; i < d->m_format->nb_streams; ++i)
        if (static_cast<int>(i) != index) d->m_format->streams[i]->discard = AVDISCARD_ALL;
    d->m_codec = Ff().avcodec_alloc_context3(codec);
    if (!d->m_codec || Ff().avcodec_parameters_to_context(d->m_codec, d->m_stream->codecpar) < 0) return nullptr;
    d->m_codec->pkt_timebase = d->m_stream->time_base;
    if (Ff().avcodec_open2(d->m_codec, codec, nullptr) < 0) return nullptr;
    if (type == AVMEDIA_TYPE_VIDEO && (d->m_codec->width <= 0 || d->m_codec->height <= 0)) return nullptr;
    d->m_packet = Ff().av_packet_alloc();
    if (!d->m_packet) return nullptr;

    // Times count from the file's earliest stream, which keeps sound and picture in step.
    if (d->m_format->start_time != AV_NOPTS_VALUE)
        d->m_origin = Ff().av_rescale_q(d->m_format->start_time, AV_TIME_BASE_Q, d->m_stream->time_base);
    else if (d->m_stream->start_time != AV_NOPTS_VALUE)
        d->m_origin = d->m_stream->start_time;
    AVRational rate = Ff().av_guess_frame_rate(d->m_format, d->m_stream, nullptr);
    d->m_frameDuration = rate.num > 0 && rate.den > 0 ? Ff().av_rescale_q(1, av_inv_q(rate), kReferenceTimeBase)
                                                      : kDefaultFrameDuration;
    return d;
}

StreamDecoder::~StreamDecoder() {
    Ff().av_packet_free(&m_packet);
    Ff().avcodec_free_context(&m_codec);
    Ff().avformat_close_input(&m_format);
}

bool StreamDecoder::Next(AVFrame* frame) {
    for (;;) {
        int r = Ff().avcodec_receive_frame(m_codec, frame);
        if (r == 0) return true;
        if (r == AVERROR_EOF || m_flushed) return false;
        r = Ff().av_read_frame(m_format, m_packet);
        if (r < 0) {
            // End of file or an unreadable tail: drain what the decoder still holds.
            Ff().avcodec_send_packet(m_codec, nullptr);
            m_flushed = true;
            continue;
        }
        if (m_packet->stream_index == m_stream->index) Ff().avcodec_send_packet(m_codec, m_packet);  // damaged packets are skipped
        Ff().av_packet_unref(m_packet);
    }
}

REFERENCE_TIME StreamDecoder::StartTime(const AVFrame* frame) {
    REFERENCE_TIME t;
    if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
        t = Ff().av_rescale_q(frame->best_effort_timestamp - m_origin, m_stream->time_base, kReferenceTimeBase);
    else
        t = m_lastTime < 0 ? 0 : m_lastTime + m_frameDuration;
    if (t < 0) t = 0;
    m_lastTime = t;
    return t;
}

}  // namespace dshow
