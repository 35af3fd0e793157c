// SPDX-License-Identifier: GPL-3.0-or-later
#include "video/avi.h"

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>

#include <unistd.h>

namespace
{

// Messages go to standard error unless the writer they concern is quiet.
// Those about a missing record or FOURCC concern no writer: they are `loud`.
constexpr bool loud = false;

[[gnu::format(printf, 2, 3)]] void say(bool quiet, const char *format, ...)
{
    if (quiet)
        return;
    std::va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
}

void say_errno(bool quiet, const char *what)
{
    if (!quiet)
        std::perror(what);
}

// The FOURCCs known to the writer. A code is known when it occurs anywhere in
// this text, so some joined or partial codes count as known as well.
const char fourcc_list[] =
    "3IV1 3IV2 8BPSAASC ABYR ADV1 ADVJ AEMI AFLC AFLI AJPG AMPG ANIM AP41 ASLCASV1 ASV2 ASVX AU"
    "R2 AURA AVC1 AVRNBA81 BINK BLZ0 BT20 BTCV BW10 BYR1 BYR2CC12 CDVC CFCC CGDI CHAM CJPG CMYK"
    " CPLA CRAM CSCD CTRX CVIDCWLT CXY1 CXY2 CYUV CYUYD261 D263 DAVC DCL1 DCL2 DCL3 DCL4 DCL5 D"
    "IV3 DIV4 DIV5 DIVXDM4V DMB1 DMB2 DMK2 DSVD DUCK DV25 DV50 DVAN DVCS DVE2 DVH1DVHD DVSD DVS"
    "L DVX1 DVX2 DVX3 DX50 DXGM DXTC DXTNEKQ0 ELK0 EM2V ES07 ESCP ETV1 ETV2 ETVCFFV1 FLJP FMP4 "
    "FMVC FPS1 FRWA FRWD FVF1GEOX GJPG GLZW GPEG GWLTH260 H261 H262 H263 H264 H265 H266 H267 H2"
    "68 H269HDYC HFYU HMCR HMRRI263 ICLB IGOR IJPG ILVC ILVR IPDV IR21 IRAW ISMEIV30 IV31 IV32 "
    "IV33 IV34 IV35 IV36 IV37 IV38 IV39 IV40 IV41IV41 IV43 IV44 IV45 IV46 IV47 IV48 IV49 IV50JB"
    "YR JPEG JPGLKMVCL261 L263 LBYR LCMW LCW2 LEAD LGRY LJ11 LJ22 LJ2K LJ44 LJPGLMP2 LMP4 LSVC "
    "LSVM LSVX LZO1M261 M263 M4CC M4S2 MC12 MCAM MJ2C MJPG MMES MP2A MP2T MP2VMP42 MP43 MP4A MP"
    "4S MP4T MP4V MPEG MPG4 MPGI MR16 MRCA MRLEMSVC MSZHMTX1 MTX2 MTX3 MTX4 MTX5 MTX6 MTX7 MTX8"
    " MTX9MVI1 MVI2 MWV1NAVI NDSC NDSM NDSP NDSS NDXC NDXH NDXP NDXS NHVU NTN1 NTN2NVDS NVHSNVS"
    "0 NVS1 NVS2 NVS3 NVS4 NVS5NVT0 NVT1 NVT2 NVT3 NVT4 NVT5PDVC PGVV PHMO PIM1 PIM2 PIMJ PIXL "
    "PJPG PVEZ PVMM PVW2QPEG QPEQRGBT RLE RLE4 RLE8 RMP4 RPZA RT21 RV20 RV30 RV40 S422 SAN3SDCC"
    " SEDG SFMC SMP4 SMSC SMSD SMSV SP40 SP44 SP54 SPIG SQZ2STVA STVB STVC STVX STVY SV10 SVQ1 "
    "SVQ3TLMS TLST TM20 TM2X TMIC TMOT TR20 TSCC TV10 TVJP TVMJ TY0NTY2C TY2NUCOD ULTIV210 V261"
    " V655 VCR1 VCR2 VCR3 VCR4 VCR5 VCR6 VCR7 VCR8 VCR9VDCT VDOM VDTZ VGPX VIDS VIFP VIVO VIXL "
    "VLV1 VP30 VP31 VP40VP50 VP60 VP61 VP62 VP70 VP80 VQC1 VQC2 VQJC VSSV VUUU VX1KVX2K VXSP VY"
    "U9 VYUYWBVC WHAM WINX WJPG WMV1 WMV2 WMV3 WMVA WNV1 WVC1X263 X264 XLV0 XMPG XVIDXWV0 XWV1 "
    "XWV2 XWV3 XWV4 XWV5 XWV6 XWV7 XWV8 XWV9XXANY16 Y411 Y41P Y444 Y8 YC12 YUV8 YUV9 YUVP YUY2 "
    "YUYV YV12 YV16YV92ZLIB ZMBV ZPEG ZYGO ZYYY";

constexpr std::uint32_t has_index = 0x10;
constexpr std::uint32_t key_frame = 0x10;
constexpr std::uint64_t max_riff_size = 0xffffffffu;

int write_int(std::FILE *f, std::uint32_t n)
{
    const unsigned char b[4] = {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
                                static_cast<unsigned char>(n >> 16),
                                static_cast<unsigned char>(n >> 24)};
    return std::fwrite(b, 1, 4, f) == 4 ? 0 : -1;
}

int write_short(std::FILE *f, std::uint16_t n)
{
    const unsigned char b[2] = {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8)};
    return std::fwrite(b, 1, 2, f) == 2 ? 0 : -1;
}

int write_chars_bin(std::FILE *f, const char *s, std::size_t n)
{
    return std::fwrite(s, 1, n, f) == n ? 0 : -1;
}

// One writer of the header or the index: writes fields until the first
// failure, which it reports once under its own name, and fills in the sizes
// of the chunks and lists it opens once their bodies are written.
class FieldWriter
{
  public:
    FieldWriter(std::FILE *f, bool quiet, const char *who,
                const char *chars_failed = "write_chars_bin() failed")
        : f_(f), quiet_(quiet), who_(who), chars_failed_(chars_failed)
    {
    }

    void chars(const char *s, std::size_t n = 4)
    {
        if (ok_ && write_chars_bin(f_, s, n) != 0)
            fail(chars_failed_);
    }
    void u32(std::uint32_t n)
    {
        if (ok_ && write_int(f_, n) != 0)
            fail("write_int() failed");
    }
    void u16(std::uint16_t n)
    {
        if (ok_ && write_short(f_, n) != 0)
            fail("write_short() failed");
    }
    // A part written by another writer, which has reported its own failure.
    void part(int result, const char *what)
    {
        if (ok_ && result != 0)
            fail(what);
    }

    // Writes a zero size and returns where it stands.
    long open_size()
    {
        if (!ok_)
            return -1;
        const long at = std::ftell(f_);
        if (at < 0) {
            fail_errno("(ftell)");
            return -1;
        }
        u32(0);
        return at;
    }
    // The size field at `at` counts everything written after it up to here;
    // writing goes on from here (not from the file's end: the header is
    // written again over its first version at close).
    void close_size(long at)
    {
        if (!ok_)
            return;
        const long end = std::ftell(f_);
        if (end < 0)
            return fail_errno("(ftell)");
        if (std::fseek(f_, at, SEEK_SET) != 0)
            return fail_errno("(fseek)");
        u32(static_cast<std::uint32_t>(end - at - 4));
        if (ok_ && std::fseek(f_, end, SEEK_SET) != 0)
            fail_errno("(fseek)");
    }

    int result() const { return ok_ ? 0 : -1; }

  private:
    void fail(const char *what)
    {
        say(quiet_, "%s: %s\n", who_, what);
        ok_ = false;
    }
    void fail_errno(const char *what)
    {
        const int e = errno;
        say(quiet_, "%s %s: %s\n", who_, what, std::strerror(e));
        ok_ = false;
    }

    std::FILE *f_;
    bool quiet_;
    const char *who_;
    const char *chars_failed_;
    bool ok_ = true;
};

int write_avi_header(std::FILE *f, bool quiet, avi_header_t const &h)
{
    FieldWriter w(f, quiet, "write_avi_header");
    w.chars("avih");
    const long size = w.open_size();
    for (std::uint32_t v :
         {h.microseconds_per_frame, h.max_bytes_per_second, h.padding_granularity, h.flags,
          h.total_frames, h.initial_frames, h.streams, h.suggested_buffer_size, h.width, h.height,
          h.reserved[0], h.reserved[1], h.reserved[2], h.reserved[3]})
        w.u32(v);
    w.close_size(size);
    return w.result();
}

int write_stream_header(std::FILE *f, bool quiet, avi_stream_header_t const &h)
{
    FieldWriter w(f, quiet, "write_stream_header");
    w.chars("strh");
    const long size = w.open_size();
    w.chars(h.type);
    w.chars(h.handler);
    for (std::uint32_t v : {h.flags, h.priority, h.initial_frames, h.scale, h.rate, h.start,
                            h.length, h.suggested_buffer_size, h.quality, h.sample_size, 0u, 0u})
        w.u32(v);
    w.close_size(size);
    return w.result();
}

int write_stream_format_v(std::FILE *f, bool quiet, avi_stream_format_v_t const &v)
{
    FieldWriter w(f, quiet, "write_stream_format_v");
    w.chars("strf");
    const long size = w.open_size();
    w.u32(v.header_size);
    w.u32(v.width);
    w.u32(v.height);
    w.u16(v.planes);
    w.u16(v.bits_per_pixel);
    for (std::uint32_t x : {v.compression, v.image_size, v.x_pixels_per_metre, v.y_pixels_per_metre,
                            v.colours_used, v.colours_important})
        w.u32(x);
    w.close_size(size);
    return w.result();
}

int write_stream_format_a(std::FILE *f, bool quiet, avi_stream_format_a_t const &a)
{
    FieldWriter w(f, quiet, "write_stream_format_a");
    w.chars("strf");
    const long size = w.open_size();
    w.u16(a.format_tag);
    w.u16(a.channels);
    w.u32(a.samples_per_second);
    w.u32(a.bytes_per_second);
    w.u16(a.block_align);
    w.u16(a.bits_per_sample);
    w.u16(a.extra_size);
    w.close_size(size);
    return w.result();
}

int write_avi_header_chunk(avi_t const &avi)
{
    FieldWriter w(avi.f, avi.quiet, "write_avi_header_chunk");
    w.chars("LIST");
    const long hdrl = w.open_size();
    w.chars("hdrl");
    w.part(write_avi_header(avi.f, avi.quiet, avi.header), "write_avi_header() failed");
    w.chars("LIST");
    const long video = w.open_size();
    w.chars("strl");
    w.part(write_stream_header(avi.f, avi.quiet, avi.video_header), "write_stream_header failed");
    w.part(write_stream_format_v(avi.f, avi.quiet, avi.video_format),
           "write_stream_format_v failed");
    w.close_size(video);
    if (avi.header.streams == 2) {
        w.chars("LIST");
        const long audio = w.open_size();
        w.chars("strl");
        w.part(write_stream_header(avi.f, avi.quiet, avi.audio_header),
               "write_stream_header failed");
        w.part(write_stream_format_a(avi.f, avi.quiet, avi.audio_format),
               "write_stream_format_a failed");
        w.close_size(audio);
    }
    w.close_size(hdrl);
    return w.result();
}

int write_index(avi_t const &avi)
{
    FieldWriter w(avi.f, avi.quiet, "write_index", "write_chars_bin) failed");
    w.chars("idx1");
    const long size = w.open_size();
    std::uint32_t offset = 4;
    for (std::uint32_t i = 0; i < avi.chunk_count; ++i) {
        const std::uint32_t entry = avi.chunks[i];
        const std::uint32_t length = entry & ~avi_audio_chunk;
        w.chars(entry & avi_audio_chunk ? "01wb" : "00dc");
        w.u32(key_frame);
        w.u32(offset);
        w.u32(length);
        offset += length + 8;
    }
    w.close_size(size);
    return w.result();
}

// Codes are four characters; a shorter one is padded with spaces.
void copy_fourcc(char (&to)[4], const char *fourcc)
{
    std::size_t i = 0;
    for (; i < 4 && fourcc[i] != '\0'; ++i)
        to[i] = fourcc[i];
    for (; i < 4; ++i)
        to[i] = ' ';
}

std::uint32_t fourcc_value(const char (&code)[4])
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(code[i]);
    return v;
}

std::uint32_t frame_bytes(unsigned int w, unsigned int h)
{
    const std::uint64_t bytes = std::uint64_t(w) * h * 3;
    return bytes > 0xffffffffu ? 0xffffffffu : static_cast<std::uint32_t>(bytes);
}

void fill_video(avi_t &avi, unsigned int w, unsigned int h, const char *fourcc, unsigned int rate,
                unsigned int scale)
{
    const std::uint32_t bytes = frame_bytes(w, h);
    avi.header.microseconds_per_frame = static_cast<std::uint32_t>(1000000ull * scale / rate);
    avi.header.max_bytes_per_second = bytes;
    avi.header.flags = has_index;
    avi.header.streams = 1;
    avi.header.suggested_buffer_size = bytes;
    avi.header.width = w;
    avi.header.height = h;

    std::memcpy(avi.video_header.type, "vids", 4);
    copy_fourcc(avi.video_header.handler, fourcc);
    avi.video_header.scale = scale;
    avi.video_header.rate = rate;
    avi.video_header.suggested_buffer_size = bytes;

    avi.video_format.header_size = 40;
    avi.video_format.width = w;
    avi.video_format.height = h;
    avi.video_format.planes = 1;
    avi.video_format.bits_per_pixel = 24;
    avi.video_format.compression = fourcc_value(avi.video_header.handler);
    avi.video_format.image_size = bytes;
}

void fill_audio(avi_t &avi, avi_audio_t const &audio)
{
    const auto block_align = static_cast<std::uint16_t>(audio.bits / 8 * audio.channels);
    avi.header.streams = 2;
    std::memcpy(avi.audio_header.type, "auds", 4);
    std::memcpy(avi.audio_header.handler, "\1\0\0\0", 4);
    avi.audio_header.scale = 1;
    avi.audio_header.rate = audio.samples_per_second;
    avi.audio_header.suggested_buffer_size = audio.samples_per_second * block_align;
    avi.audio_header.audio_quality = -1;
    avi.audio_header.sample_size = block_align;

    avi.audio_format.format_tag = 1;
    avi.audio_format.channels = static_cast<std::uint16_t>(audio.channels);
    avi.audio_format.samples_per_second = audio.samples_per_second;
    avi.audio_format.bytes_per_second = audio.samples_per_second * block_align;
    avi.audio_format.block_align = block_align;
    avi.audio_format.bits_per_sample = static_cast<std::uint16_t>(audio.bits);
}

// Writes everything up to the "movi" tag and makes the chunk table.
bool start_file(avi_t &avi)
{
    if (write_chars_bin(avi.f, "RIFF", 4) != 0) {
        say(avi.quiet, "avi_open: write_chars_bin() failed\n");
        return false;
    }
    if (write_int(avi.f, 0) != 0) {
        say(avi.quiet, "avi_info: write_int() failed\n");
        return false;
    }
    if (write_chars_bin(avi.f, "AVI ", 4) != 0) {
        say(avi.quiet, "avi_open: write_chars_bin() failed\n");
        return false;
    }
    if (write_avi_header_chunk(avi) != 0) {
        say(avi.quiet, "avi_info: write_avi_header_chunk failed\n");
        return false;
    }
    if (write_chars_bin(avi.f, "LIST", 4) != 0) {
        say(avi.quiet, "avi_open: write_chars_bin() failed\n");
        return false;
    }
    avi.movi_size_at = std::ftell(avi.f);
    if (avi.movi_size_at < 0) {
        say_errno(avi.quiet, "avi_info (ftell)");
        return false;
    }
    if (write_int(avi.f, 0) != 0) {
        say(avi.quiet, "avi_info: write_int() failed\n");
        return false;
    }
    if (write_chars_bin(avi.f, "movi", 4) != 0) {
        say(avi.quiet, "avi_open: write_chars_bin() failed\n");
        return false;
    }
    avi.chunks =
        static_cast<std::uint32_t *>(std::malloc(avi_chunk_table_step * sizeof(std::uint32_t)));
    if (!avi.chunks) {
        say(avi.quiet, "avi_info: could not allocate memory for avi offsets table\n");
        return false;
    }
    avi.chunk_capacity = avi_chunk_table_step;
    return true;
}

bool room_for_chunk(avi_t const &avi, std::size_t rounded, const char *who)
{
    const long at = std::ftell(avi.f);
    // The file after this chunk and the index entries of every chunk.
    const std::uint64_t after =
        std::uint64_t(at) + 8 + rounded + 8 + 16 * (std::uint64_t(avi.chunk_count) + 1);
    if (at >= 0 && rounded <= max_riff_size && after - 8 <= max_riff_size)
        return true;
    say(avi.quiet, "%s: the file would grow past the 4 GiB an AVI can hold\n", who);
    return false;
}

bool grow_table(avi_t &avi, const char *who)
{
    if (avi.chunk_count + 1 < avi.chunk_capacity)
        return true;
    const std::uint32_t capacity = avi.chunk_capacity + avi_chunk_table_step;
    auto *grown =
        static_cast<std::uint32_t *>(std::realloc(avi.chunks, capacity * sizeof(std::uint32_t)));
    if (!grown) {
        say(avi.quiet, "%s: could not allocate memory for avi offsets table\n", who);
        return false;
    }
    avi.chunks = grown;
    avi.chunk_capacity = capacity;
    return true;
}

// Writes tag, size, data and padding. A chunk that fails halfway is cut off
// again, so that what the file holds stays a sequence of whole chunks.
int add_chunk(avi_t *avi, const unsigned char *buf, std::size_t len, bool audio)
{
    const char *who = audio ? "avi_add_audio" : "avi_add_frame";
    if (!avi || !buf) {
        say(loud, "avi and/or buffer argument cannot be NULL");
        return -1;
    }
    if (!audio && len < 256)
        say(avi->quiet,
            "WARNING: specified buffer len seems rather small: %d. Are you sure about "
            "this?\n",
            static_cast<int>(len));
    const std::size_t pad = (4 - len % 4) % 4;
    const std::size_t rounded = len + pad;
    if (!room_for_chunk(*avi, rounded, who) || !grow_table(*avi, who))
        return -1;

    const long start = std::ftell(avi->f);
    const char *failed = nullptr;
    if (write_chars_bin(avi->f, audio ? "01wb" : "00dc", 4) != 0)
        failed = "write_chars_bin() failed";
    else if (write_int(avi->f, static_cast<std::uint32_t>(rounded)) != 0)
        failed = "write_int() failed";
    else if (std::fwrite(buf, 1, len, avi->f) != len)
        failed = "fwrite() failed";
    else
        for (std::size_t i = 0; i < pad && !failed; ++i)
            if (std::fputc(0, avi->f) == EOF)
                failed = "fputc() failed";
    if (failed) {
        const int error = errno;
        say(avi->quiet, "%s: %s\n", who, failed);
        std::clearerr(avi->f);
        if (start < 0 || std::fseek(avi->f, start, SEEK_SET) != 0 ||
            ftruncate(fileno(avi->f), start) != 0)
            say_errno(avi->quiet, who);
        errno = error;
        return -1;
    }

    avi->chunks[avi->chunk_count++] =
        static_cast<std::uint32_t>(rounded) | (audio ? avi_audio_chunk : 0u);
    if (audio)
        avi->audio_header.length += static_cast<std::uint32_t>(rounded);
    else
        avi->video_header.length += 1;
    return 0;
}

// Index, final sizes and counts.
int finish_file(avi_t &avi)
{
    const long end = std::ftell(avi.f);
    if (end < 0) {
        say_errno(avi.quiet, "avi_close: (ftell)");
        return -1;
    }
    if (std::fseek(avi.f, avi.movi_size_at, SEEK_SET) != 0) {
        say_errno(avi.quiet, "avi_close (fseek)");
        return -1;
    }
    if (write_int(avi.f, static_cast<std::uint32_t>(end - avi.movi_size_at - 4)) != 0) {
        say(avi.quiet, "avi_close: write_int() failed\n");
        return -1;
    }
    if (std::fseek(avi.f, end, SEEK_SET) != 0) {
        say_errno(avi.quiet, "avi_close (fseek)");
        return -1;
    }
    if (write_index(avi) != 0) {
        say(avi.quiet, "avi_close: write_index() failed\n");
        return -1;
    }
    avi.header.total_frames = avi.video_header.length;

    const long length = std::ftell(avi.f);
    if (length < 0) {
        say_errno(avi.quiet, "avi_close: (ftell)");
        return -1;
    }
    if (std::fseek(avi.f, 12, SEEK_SET) != 0) {
        say_errno(avi.quiet, "avi_close (fseek)");
        return -1;
    }
    if (write_avi_header_chunk(avi) != 0) {
        say(avi.quiet, "avi_close: write_avi_header_chunk() failed\n");
        return -1;
    }
    if (std::fseek(avi.f, 4, SEEK_SET) != 0) {
        say_errno(avi.quiet, "avi_close (fseek)");
        return -1;
    }
    if (write_int(avi.f, static_cast<std::uint32_t>(length - 8)) != 0) {
        say(avi.quiet, "avi_close: write_int() failed\n");
        return -1;
    }
    // Chunks taken back after a failed write may have left bytes past the index.
    if (ftruncate(fileno(avi.f), length) != 0) {
        say_errno(avi.quiet, "avi_close (ftruncate)");
        return -1;
    }
    return 0;
}

void release(avi_t *avi)
{
    std::free(avi->chunks);
    delete avi;
}

bool null_record(const avi_t *avi)
{
    if (avi)
        return false;
    say(loud, "avi argument cannot be NULL");
    return true;
}

void warn_unlisted(bool quiet, const char *fourcc)
{
    if (check_fourcc(fourcc) != 0)
        say(quiet, "WARNING: given fourcc does not seem to be valid: %s\n", fourcc);
}

} // namespace

int check_fourcc(const char *fourcc)
{
    if (!fourcc) {
        say(loud, "fourcc cannot be NULL");
        return -1;
    }
    if (std::strchr(fourcc, ' '))
        return 1;
    return std::strstr(fourcc_list, fourcc) ? 0 : 1;
}

avi_t *avi_open(const char *filename, unsigned int width, unsigned int height, const char *fourcc,
                unsigned int fps, avi_audio_t *audio)
{
    return avi_open_ratio(filename, width, height, fourcc, fps, 1, audio, false);
}

avi_t *avi_open_ratio(const char *filename, unsigned int width, unsigned int height,
                      const char *fourcc, unsigned int rate, unsigned int scale, avi_audio_t *audio,
                      bool quiet)
{
    if (!fourcc) {
        check_fourcc(fourcc);
        return nullptr;
    }
    warn_unlisted(quiet, fourcc);
    if (rate < 1 || scale < 1 || !filename)
        return nullptr;

    std::FILE *f = std::fopen(filename, "wb+");
    if (!f) {
        say_errno(quiet, "avi_open: failed to open file for writing");
        return nullptr;
    }
    // Unbuffered, every failure shows at the write that caused it, and a chunk
    // cut short can be taken back exactly.
    std::setvbuf(f, nullptr, _IONBF, 0);
    auto *avi = new (std::nothrow) avi_t{};
    if (!avi) {
        say(quiet, "avi_open: could not allocate memory for avi structure\n");
        std::fclose(f);
        std::remove(filename);
        return nullptr;
    }
    avi->f = f;
    avi->quiet = quiet;
    fill_video(*avi, width, height, fourcc, rate, scale);
    if (audio)
        fill_audio(*avi, *audio);
    if (!start_file(*avi)) {
        const int error = errno;
        std::fclose(f);
        std::remove(filename);
        release(avi);
        errno = error; // the cause, not what cleaning up met
        return nullptr;
    }
    return avi;
}

int avi_add_frame(avi_t *avi, const unsigned char *buf, std::size_t len)
{
    return add_chunk(avi, buf, len, false);
}

int avi_add_audio(avi_t *avi, const unsigned char *buf, std::size_t len)
{
    return add_chunk(avi, buf, len, true);
}

int avi_close(avi_t *avi)
{
    if (null_record(avi))
        return -1;
    int result = finish_file(*avi);
    int error = errno;
    if (std::fclose(avi->f) != 0) {
        error = errno;
        say_errno(avi->quiet, "avi_close (fclose)");
        result = -1;
    }
    release(avi);
    errno = error;
    return result;
}

int avi_set_framerate(avi_t *avi, unsigned int fps)
{
    return avi_set_framerate_ratio(avi, fps, 1);
}

int avi_set_framerate_ratio(avi_t *avi, unsigned int rate, unsigned int scale)
{
    if (null_record(avi))
        return -1;
    if (rate < 1 || scale < 1) {
        say(avi->quiet, "avi_set_framerate: the rate must be at least 1\n");
        return -1;
    }
    avi->header.microseconds_per_frame = static_cast<std::uint32_t>(1000000ull * scale / rate);
    avi->video_header.rate = rate;
    avi->video_header.scale = scale;
    return 0;
}

int avi_set_codec(avi_t *avi, const char *fourcc)
{
    if (null_record(avi))
        return -1;
    if (!fourcc) {
        check_fourcc(fourcc);
        return -1;
    }
    warn_unlisted(avi->quiet, fourcc);
    copy_fourcc(avi->video_header.handler, fourcc);
    avi->video_format.compression = fourcc_value(avi->video_header.handler);
    return 0;
}

int avi_set_size(avi_t *avi, unsigned int width, unsigned int height)
{
    if (null_record(avi))
        return -1;
    const std::uint32_t bytes = frame_bytes(width, height);
    avi->header.width = avi->video_format.width = width;
    avi->header.height = avi->video_format.height = height;
    avi->header.max_bytes_per_second = bytes;
    avi->header.suggested_buffer_size = bytes;
    avi->video_header.suggested_buffer_size = bytes;
    avi->video_format.image_size = bytes;
    return 0;
}
