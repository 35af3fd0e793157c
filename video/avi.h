// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// A writer of AVI files (RIFF "AVI ") holding one stream of already
// compressed video frames and optionally one PCM audio stream, indexed by
// "idx1". The header is written at open with placeholder counts and written
// again at close with the final ones. Failures come back as −1 or null, with a
// message on standard error unless the writer was opened quiet.

// The caller's description of the audio stream.
struct avi_audio_t {
    unsigned channels;
    unsigned bits;
    unsigned samples_per_second;
};

// The fourteen words of "avih", in file order.
struct avi_header_t {
    std::uint32_t microseconds_per_frame;
    std::uint32_t max_bytes_per_second;
    std::uint32_t padding_granularity;
    std::uint32_t flags;
    std::uint32_t total_frames;
    std::uint32_t initial_frames;
    std::uint32_t streams;
    std::uint32_t suggested_buffer_size;
    std::uint32_t width;
    std::uint32_t height;
    std::uint32_t reserved[4];
};

struct avi_stream_header_t {
    char type[4];    // "vids" or "auds"
    char handler[4]; // the codec's FOURCC for video
    std::uint32_t flags;
    std::uint32_t priority;
    std::uint32_t initial_frames;
    std::uint32_t scale; // rate / scale frames (or samples) per second
    std::uint32_t rate;
    std::uint32_t start;
    std::uint32_t length; // frames, or padded audio bytes
    std::uint32_t suggested_buffer_size;
    std::uint32_t quality;
    std::int32_t audio_quality; // −1 for audio; never written
    std::uint32_t sample_size;
};

struct avi_stream_format_v_t {
    std::uint32_t header_size;
    std::uint32_t width;
    std::uint32_t height;
    std::uint16_t planes;
    std::uint16_t bits_per_pixel;
    std::uint32_t compression;
    std::uint32_t image_size;
    std::uint32_t x_pixels_per_metre;
    std::uint32_t y_pixels_per_metre;
    std::uint32_t colours_used;
    std::uint32_t colours_important;
};

struct avi_stream_format_a_t {
    std::uint16_t format_tag; // 1 = PCM
    std::uint16_t channels;
    std::uint32_t samples_per_second;
    std::uint32_t bytes_per_second;
    std::uint16_t block_align;
    std::uint16_t bits_per_sample;
    std::uint16_t extra_size;
};

// The high bit of a chunk table entry marks an audio chunk.
inline constexpr std::uint32_t avi_audio_chunk = 0x80000000u;
inline constexpr std::uint32_t avi_chunk_table_step = 1024;

struct avi_t {
    std::FILE *f;
    avi_header_t header;
    avi_stream_header_t video_header;
    avi_stream_header_t audio_header;
    avi_stream_format_v_t video_format;
    avi_stream_format_a_t audio_format;
    long movi_size_at; // position of the "movi" list's size field
    // Rounded size of every chunk in "movi", in order.
    std::uint32_t *chunks;
    std::uint32_t chunk_count;
    std::uint32_t chunk_capacity;
    // No messages on standard error about this file, for a caller that
    // reports failures itself: the return values and errno stay as they are.
    bool quiet;
};

// Creates `filename` (replacing it) for w×h frames of the given FOURCC at fps
// frames per second; audio may be null. Null when fps is below 1 (no file is
// made) or the file cannot be written.
avi_t *avi_open(const char *filename, unsigned int width, unsigned int height, const char *fourcc,
                unsigned int fps, avi_audio_t *audio);
// The same at rate/scale frames per second (12.5 is 25/2); null when either is
// 0. A quiet writer says nothing on standard error, from its opening on.
avi_t *avi_open_ratio(const char *filename, unsigned int width, unsigned int height,
                      const char *fourcc, unsigned int rate, unsigned int scale, avi_audio_t *audio,
                      bool quiet);

// Appends one frame or one audio block. A chunk that cannot be written
// completely is taken back, and so is one that would carry the file past the
// 4 GiB its size fields can count: the file stays closable with the chunks before.
int avi_add_frame(avi_t *avi, const unsigned char *buf, std::size_t len);
int avi_add_audio(avi_t *avi, const unsigned char *buf, std::size_t len);

// Writes the index and the final header, closes the file and releases the
// record. A failure (−1) leaves the file incomplete, its counts still 0, but
// the record is released all the same and must not be used again.
int avi_close(avi_t *avi);

int avi_set_framerate(avi_t *avi, unsigned int fps);
int avi_set_framerate_ratio(avi_t *avi, unsigned int rate, unsigned int scale);
int avi_set_codec(avi_t *avi, const char *fourcc);
int avi_set_size(avi_t *avi, unsigned int width, unsigned int height);

// 0 for a code found in the list of known FOURCCs, 1 otherwise, −1 for null.
int check_fourcc(const char *fourcc);
