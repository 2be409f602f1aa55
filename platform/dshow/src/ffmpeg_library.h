// FFmpeg's functions as the filter graph calls them, loaded the first time a movie is opened: linked
// into the program, FFmpeg and the hundred-odd libraries it needs in turn would be mapped and relocated
// at every start, a large part of the time before the first frame, while most runs play no movie.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace dshow {

#define DSHOW_FFMPEG_FUNCTIONS(X)                                                                                \
    X(av_channel_layout_copy) X(av_channel_layout_default) X(av_channel_layout_uninit) X(av_find_best_stream)   \
    X(av_frame_alloc) X(av_frame_free) X(av_frame_unref) X(av_freep) X(av_guess_frame_rate) X(av_image_alloc)  \
    X(av_log_set_level) X(av_packet_alloc) X(av_packet_free) X(av_packet_unref) X(av_read_frame)               \
    X(av_rescale_q) X(avcodec_alloc_context3) X(avcodec_free_context) X(avcodec_open2)                         \
    X(avcodec_parameters_to_context) X(avcodec_receive_frame) X(avcodec_send_packet) X(avformat_close_input)   \
    X(avformat_find_stream_info) X(avformat_open_input) X(sws_freeContext) X(sws_getCachedContext)            \
    X(sws_scale) X(swr_alloc_set_opts2) X(swr_convert) X(swr_free) X(swr_get_out_samples) X(swr_init)

struct FFmpeg {
#define DSHOW_FFMPEG_POINTER(name) decltype(&::name) name = nullptr;
    DSHOW_FFMPEG_FUNCTIONS(DSHOW_FFMPEG_POINTER)
#undef DSHOW_FFMPEG_POINTER
};

// Loads the libraries once; null (logged once) when a library or one of the functions is missing.
const FFmpeg* LoadFFmpeg();
// The loaded functions; only for code that runs after a successful LoadFFmpeg (an open decoder).
const FFmpeg& Ff();

}  // namespace dshow
