#ifndef FFMPEGPTR_H
#define FFMPEGPTR_H

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <memory>

// Owning pointers for the FFmpeg objects of the player, so that every exit
// path of the opening and the decoding releases what it made.
namespace FFmpeg {

struct FormatContextCloser
{
    void operator()(AVFormatContext *context) const { avformat_close_input(&context); }
};

struct CodecContextFreer
{
    void operator()(AVCodecContext *context) const { avcodec_free_context(&context); }
};

struct FrameFreer
{
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};

struct PacketFreer
{
    void operator()(AVPacket *packet) const { av_packet_free(&packet); }
};

struct ScaleContextFreer
{
    void operator()(SwsContext *context) const { sws_freeContext(context); }
};

struct BufferFreer
{
    void operator()(uint8_t *buffer) const { av_free(buffer); }
};

using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextCloser>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using ScaleContextPtr = std::unique_ptr<SwsContext, ScaleContextFreer>;
using BufferPtr = std::unique_ptr<uint8_t, BufferFreer>;

} // namespace FFmpeg

#endif // FFMPEGPTR_H
