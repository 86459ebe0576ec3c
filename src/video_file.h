// video_file.h - a video file being written: the screen's frames enlarged
// with sharp pixels, and the music beside them. Over FFmpeg's libraries;
// the only module that knows them.
#pragma once

#include <cstdint>
#include <string>

struct VideoFile;

enum class VideoKind {
    Unknown,
    Mp4,      // H.264 and AAC, for sharing
    Matroska, // lossless FFV1 and FLAC, for keeping and comparing
};

// The kind that a file name's extension asks for.
VideoKind video_kind(const std::string &fileName);

struct VideoLayout {
    int width;          // of the screen's frames
    int height;
    int scale;          // each frame enlarged this many times
    int framesPerSecond;
    int sampleRate;     // stereo 16-bit samples
};

// Writes the file's header through `descriptor`, an empty file open for
// writing and seeking, which stays the caller's to close; no name is ever
// opened here, so the caller alone decides which file is written. Null
// with `error` set to the reason on failure; nothing is left open then.
VideoFile *video_file_open(int descriptor, VideoKind kind, const VideoLayout &layout, std::string &error);
// Adds one frame of 32-bit 0xRRGGBB pixels and the `sampleFrames` stereo
// samples that play during it. False with `error` set on failure.
bool video_file_add(VideoFile *file, const uint32_t *pixels, const int16_t *samples, int sampleFrames,
                    std::string &error);
// Writes what the encoders still hold and the file's end, and closes it.
// False with `error` set on failure. Frees `file` either way.
bool video_file_finish(VideoFile *file, std::string &error);
// Closes and frees without finishing, as after a failure.
void video_file_discard(VideoFile *file);
