// video_file.cpp - writes the capture's video file with FFmpeg's libraries:
// the muxer chosen by the file's kind, one video and one audio encoder,
// the enlargement, libswscale's colour conversion where the codec wants
// YUV, and the audio held back until a whole codec frame of it is there.
// The bytes go out through the caller's descriptor. Owns every FFmpeg
// object of the file.
#include "video_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "regular_file.h"

struct Encoder {
    AVCodecContext *codec = nullptr;
    AVStream *stream = nullptr;
    AVFrame *frame = nullptr;
    int64_t next = 0; // presentation time of the next frame, in the codec's time base
};

struct VideoFile {
    int descriptor = -1;
    AVFormatContext *format = nullptr;
    Encoder video;
    Encoder audio;
    AVPacket *packet = nullptr;
    SwsContext *converter = nullptr;
    VideoLayout layout;
    std::vector<uint32_t> enlarged; // the frame before its conversion to YUV
    std::vector<int16_t> heldSamples; // interleaved, less than one codec frame
};

namespace {

// Big enough that the muxer's small writes reach the system in few calls.
const int outputBufferSize = 1 << 16;
// FFmpeg's own error codes are tags far past every errno value.
const int errnoLimit = 4096;

// A system error (AVERROR of an errno value, small and negative) in the
// words of the program's other lines; FFmpeg's own errors in its words.
std::string describe(int code)
{
    if (code < 0 && code > -errnoLimit)
        return file_reason(AVUNERROR(code));
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

bool ends_with(const std::string &text, const char *end)
{
    const std::string tail(end);
    return text.size() > tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void free_encoder(Encoder &encoder)
{
    avcodec_free_context(&encoder.codec);
    av_frame_free(&encoder.frame);
}

void free_file(VideoFile *file)
{
    free_encoder(file->video);
    free_encoder(file->audio);
    av_packet_free(&file->packet);
    sws_freeContext(file->converter);
    if (file->format) {
        if (file->format->pb)
            av_freep(&file->format->pb->buffer);
        avio_context_free(&file->format->pb);
        avformat_free_context(file->format);
    }
    delete file;
}

// The output's writes, whole: the system may take a part at a time.
int write_out(void *opaque, uint8_t *data, int size)
{
    const int descriptor = static_cast<VideoFile *>(opaque)->descriptor;
    for (int done = 0; done < size;) {
        const ssize_t written = write(descriptor, data + done, static_cast<size_t>(size - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return AVERROR(written < 0 ? errno : EIO);
        done += static_cast<int>(written);
    }
    return size;
}

// Both muxers go back to fill in sizes and indexes once they are known,
// so the output must seek; AVSEEK_SIZE asks for its length.
int64_t seek_out(void *opaque, int64_t offset, int whence)
{
    const int descriptor = static_cast<VideoFile *>(opaque)->descriptor;
    if (whence & AVSEEK_SIZE) {
        struct stat status;
        return fstat(descriptor, &status) == 0 ? status.st_size : AVERROR(errno);
    }
    const off_t at = lseek(descriptor, offset, whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : at;
}

// The muxer's output over the caller's descriptor. False when out of memory.
bool open_output(VideoFile *file)
{
    unsigned char *buffer = static_cast<unsigned char *>(av_malloc(outputBufferSize));
    file->format->pb =
        buffer ? avio_alloc_context(buffer, outputBufferSize, 1, file, nullptr, write_out, seek_out) : nullptr;
    if (!file->format->pb) {
        av_free(buffer);
        return false;
    }
    file->format->flags |= AVFMT_FLAG_CUSTOM_IO;
    return true;
}

// Hands the encoder one frame (null: the end) and writes every packet it
// gives back.
bool encode(VideoFile *file, Encoder &encoder, AVFrame *frame, std::string &error)
{
    int result = avcodec_send_frame(encoder.codec, frame);
    while (result >= 0) {
        result = avcodec_receive_packet(encoder.codec, file->packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return true;
        if (result < 0)
            break;
        av_packet_rescale_ts(file->packet, encoder.codec->time_base, encoder.stream->time_base);
        file->packet->stream_index = encoder.stream->index;
        result = av_interleaved_write_frame(file->format, file->packet);
    }
    error = describe(result);
    return false;
}

bool open_encoder(VideoFile *file, Encoder &encoder, const AVCodec *codec, AVDictionary **settings,
                  std::string &error)
{
    if (file->format->oformat->flags & AVFMT_GLOBALHEADER)
        encoder.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int result = avcodec_open2(encoder.codec, codec, settings);
    if (result >= 0) {
        encoder.stream = avformat_new_stream(file->format, nullptr);
        result = encoder.stream ? avcodec_parameters_from_context(encoder.stream->codecpar, encoder.codec)
                                : AVERROR(ENOMEM);
    }
    if (result < 0) {
        error = std::string("cannot start the ") + codec->name + " encoder: " + describe(result);
        return false;
    }
    encoder.stream->time_base = encoder.codec->time_base;
    encoder.frame = av_frame_alloc();
    return encoder.frame != nullptr;
}

bool open_video(VideoFile *file, VideoKind kind, std::string &error)
{
    const VideoLayout &layout = file->layout;
    const AVCodec *codec = kind == VideoKind::Mp4 ? avcodec_find_encoder_by_name("libx264")
                                                  : avcodec_find_encoder(AV_CODEC_ID_FFV1);
    if (!codec) {
        error = kind == VideoKind::Mp4 ? "FFmpeg has no H.264 encoder (libx264)" : "FFmpeg has no FFV1 encoder";
        return false;
    }
    Encoder &video = file->video;
    video.codec = avcodec_alloc_context3(codec);
    video.codec->width = layout.width * layout.scale;
    video.codec->height = layout.height * layout.scale;
    video.codec->time_base = {1, layout.framesPerSecond};
    video.codec->framerate = {layout.framesPerSecond, 1};
    AVDictionary *settings = nullptr;
    if (kind == VideoKind::Mp4) {
        video.codec->pix_fmt = AV_PIX_FMT_YUV420P;
        video.codec->gop_size = 2 * layout.framesPerSecond;
        av_dict_set(&settings, "preset", "veryfast", 0);
        av_dict_set(&settings, "crf", "18", 0);
    } else {
        // The screen's own layout: no conversion, every bit kept.
        video.codec->pix_fmt = AV_PIX_FMT_BGR0;
        video.codec->gop_size = layout.framesPerSecond;
        video.codec->thread_count = 0;
        av_dict_set(&settings, "level", "3", 0);
        av_dict_set(&settings, "slices", "4", 0);
        av_dict_set(&settings, "slicecrc", "0", 0);
        av_dict_set(&settings, "coder", "rice", 0);
    }
    const bool opened = open_encoder(file, video, codec, &settings, error);
    av_dict_free(&settings);
    if (!opened)
        return false;

    video.frame->format = video.codec->pix_fmt;
    video.frame->width = video.codec->width;
    video.frame->height = video.codec->height;
    if (av_frame_get_buffer(video.frame, 0) < 0) {
        error = "out of memory";
        return false;
    }
    if (kind == VideoKind::Mp4) {
        file->enlarged.resize(static_cast<size_t>(video.codec->width) * video.codec->height);
        file->converter = sws_getContext(video.codec->width, video.codec->height, AV_PIX_FMT_BGR0,
                                         video.codec->width, video.codec->height, AV_PIX_FMT_YUV420P,
                                         SWS_POINT | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
        if (!file->converter) {
            error = "libswscale cannot convert to YUV 4:2:0";
            return false;
        }
    }
    return true;
}

bool open_audio(VideoFile *file, VideoKind kind, std::string &error)
{
    const AVCodec *codec = avcodec_find_encoder(kind == VideoKind::Mp4 ? AV_CODEC_ID_AAC : AV_CODEC_ID_FLAC);
    if (!codec) {
        error = kind == VideoKind::Mp4 ? "FFmpeg has no AAC encoder" : "FFmpeg has no FLAC encoder";
        return false;
    }
    Encoder &audio = file->audio;
    audio.codec = avcodec_alloc_context3(codec);
    audio.codec->sample_rate = file->layout.sampleRate;
    audio.codec->time_base = {1, file->layout.sampleRate};
    av_channel_layout_default(&audio.codec->ch_layout, 2);
    audio.codec->sample_fmt = kind == VideoKind::Mp4 ? AV_SAMPLE_FMT_FLTP : AV_SAMPLE_FMT_S16;
    if (kind == VideoKind::Mp4)
        audio.codec->bit_rate = 192000;
    if (!open_encoder(file, audio, codec, nullptr, error))
        return false;
    audio.frame->format = audio.codec->sample_fmt;
    audio.frame->sample_rate = audio.codec->sample_rate;
    av_channel_layout_copy(&audio.frame->ch_layout, &audio.codec->ch_layout);
    audio.frame->nb_samples = audio.codec->frame_size;
    if (av_frame_get_buffer(audio.frame, 0) < 0) {
        error = "out of memory";
        return false;
    }
    return true;
}

// Each pixel becomes a square of scale × scale, in rows `pitch` bytes apart.
void enlarge(const VideoLayout &layout, const uint32_t *pixels, uint8_t *to, int pitch)
{
    const int width = layout.width * layout.scale;
    for (int y = 0; y < layout.height; ++y) {
        const uint32_t *row = pixels + static_cast<size_t>(y) * layout.width;
        uint32_t *first = reinterpret_cast<uint32_t *>(to);
        uint32_t *at = first;
        for (int x = 0; x < layout.width; ++x)
            for (int copy = 0; copy < layout.scale; ++copy)
                *at++ = row[x];
        to += pitch;
        for (int copy = 1; copy < layout.scale; ++copy, to += pitch)
            std::copy(first, first + width, reinterpret_cast<uint32_t *>(to));
    }
}

// The lossless kind takes the enlarged frame as it is; the other has it
// converted to YUV on the way.
bool add_picture(VideoFile *file, const uint32_t *pixels, std::string &error)
{
    Encoder &video = file->video;
    if (av_frame_make_writable(video.frame) < 0) {
        error = "out of memory";
        return false;
    }
    if (file->converter) {
        const int pitch = 4 * video.codec->width;
        enlarge(file->layout, pixels, reinterpret_cast<uint8_t *>(file->enlarged.data()), pitch);
        const uint8_t *source[] = {reinterpret_cast<const uint8_t *>(file->enlarged.data())};
        sws_scale(file->converter, source, &pitch, 0, video.codec->height, video.frame->data, video.frame->linesize);
    } else {
        enlarge(file->layout, pixels, video.frame->data[0], video.frame->linesize[0]);
    }
    video.frame->pts = video.next++;
    return encode(file, video, video.frame, error);
}

// Encodes `count` held stereo frames as one codec frame.
bool encode_samples(VideoFile *file, int count, std::string &error)
{
    Encoder &audio = file->audio;
    if (av_frame_make_writable(audio.frame) < 0) {
        error = "out of memory";
        return false;
    }
    const int16_t *from = file->heldSamples.data();
    if (audio.codec->sample_fmt == AV_SAMPLE_FMT_FLTP) {
        float *left = reinterpret_cast<float *>(audio.frame->data[0]);
        float *right = reinterpret_cast<float *>(audio.frame->data[1]);
        for (int i = 0; i < count; ++i) {
            left[i] = from[2 * i] / 32768.0f;
            right[i] = from[2 * i + 1] / 32768.0f;
        }
    } else {
        std::copy(from, from + 2 * count, reinterpret_cast<int16_t *>(audio.frame->data[0]));
    }
    file->heldSamples.erase(file->heldSamples.begin(), file->heldSamples.begin() + 2 * count);
    audio.frame->nb_samples = count;
    audio.frame->pts = audio.next;
    audio.next += count;
    return encode(file, audio, audio.frame, error);
}

} // namespace

VideoKind video_kind(const std::string &fileName)
{
    if (ends_with(fileName, ".mp4"))
        return VideoKind::Mp4;
    if (ends_with(fileName, ".mkv"))
        return VideoKind::Matroska;
    return VideoKind::Unknown;
}

VideoFile *video_file_open(int descriptor, VideoKind kind, const VideoLayout &layout, std::string &error)
{
    // Failures come back as codes and are reported in one line by the
    // caller; FFmpeg's own chatter would only bury that line.
    av_log_set_level(AV_LOG_QUIET);
    VideoFile *file = new VideoFile;
    file->descriptor = descriptor;
    file->layout = layout;
    const int made = avformat_alloc_output_context2(&file->format, nullptr,
                                                    kind == VideoKind::Mp4 ? "mp4" : "matroska", nullptr);
    file->packet = av_packet_alloc();
    bool ok = made >= 0 && file->packet && open_video(file, kind, error) && open_audio(file, kind, error) &&
              open_output(file);
    if (ok) {
        const int started = avformat_write_header(file->format, nullptr);
        if (started < 0) {
            error = describe(started);
            ok = false;
        }
    } else if (error.empty()) {
        error = "out of memory";
    }
    if (!ok) {
        free_file(file);
        return nullptr;
    }
    return file;
}

bool video_file_add(VideoFile *file, const uint32_t *pixels, const int16_t *samples, int sampleFrames,
                    std::string &error)
{
    if (!add_picture(file, pixels, error))
        return false;
    file->heldSamples.insert(file->heldSamples.end(), samples, samples + 2 * sampleFrames);
    const int codecFrame = file->audio.codec->frame_size;
    while (file->heldSamples.size() >= 2 * static_cast<size_t>(codecFrame))
        if (!encode_samples(file, codecFrame, error))
            return false;
    return true;
}

bool video_file_finish(VideoFile *file, std::string &error)
{
    const int rest = static_cast<int>(file->heldSamples.size() / 2);
    bool ok = (rest == 0 || encode_samples(file, rest, error)) && encode(file, file->video, nullptr, error) &&
              encode(file, file->audio, nullptr, error);
    if (ok) {
        const int written = av_write_trailer(file->format);
        avio_flush(file->format->pb);
        const int result = written < 0 ? written : file->format->pb->error;
        if (result < 0) {
            error = describe(result);
            ok = false;
        }
    }
    free_file(file);
    return ok;
}

void video_file_discard(VideoFile *file)
{
    free_file(file);
}
