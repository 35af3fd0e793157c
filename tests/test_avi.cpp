// SPDX-License-Identifier: GPL-3.0-or-later
#include "video/avi.h"

#include "tests/support/avi_file.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

namespace
{

class Avi : public ::testing::Test
{
  protected:
    QString path(const char *name = "a.avi") const { return dir.filePath(name); }
    avi_t *open(unsigned rate, unsigned scale = 1, avi_audio_t *audio = nullptr,
                const char *name = "a.avi", bool quiet = false)
    {
        return avi_open_ratio(path(name).toUtf8().constData(), 160, 120, "MJPG", rate, scale, audio,
                              quiet);
    }
    static int add(avi_t *avi, std::size_t bytes, unsigned char fill)
    {
        const std::vector<unsigned char> data(bytes, fill);
        return avi_add_frame(avi, data.data(), data.size());
    }

    QTemporaryDir dir;
};

// The frameless file and one with audio and 3000 chunks: the header list
// (with the audio stream or without), chunks padded to whole words (1001 bytes
// to 1004) and placed one after the other, audio indexed as such and counting
// no frame, and past the first chunk table's 1024 entries an index that keeps
// every chunk in order.
TEST_F(Avi, ChunksArePaddedAndIndexedInOrderPastTheFirstTable)
{
    avi_audio_t audio{2, 16, 8000};
    for (auto [with_audio, chunks, header, streams] :
         {std::tuple{false, 0u, 192u, 1u}, {true, 3000u, 294u, 2u}}) {
        SCOPED_TRACE(chunks);
        avi_t *avi = open(25, 1, with_audio ? &audio : nullptr);
        ASSERT_NE(avi, nullptr);
        // Chunk 1 is the audio; frame sizes cycle through odd and even.
        auto audio_at = [with_audio](std::uint32_t i) { return with_audio && i == 1; };
        auto raw_size = [&](std::uint32_t i) {
            return audio_at(i) ? 302u : i ? 256 + i % 4 : 1001u;
        };
        for (std::uint32_t i = 0; i < chunks; ++i) {
            const std::vector<unsigned char> data(raw_size(i), static_cast<unsigned char>(i + 1));
            ASSERT_EQ(audio_at(i) ? avi_add_audio(avi, data.data(), data.size())
                                  : avi_add_frame(avi, data.data(), data.size()),
                      0);
        }
        ASSERT_EQ(avi_close(avi), 0);

        const AviFile f(path());
        for (auto [at, text] : {std::pair{0, "RIFF"}, {8, "AVI "}, {24, "avih"}})
            EXPECT_EQ(f.tag(at), text) << "at " << at;
        EXPECT_EQ(f.u32(4), std::uint32_t(f.bytes.size() - 8));
        EXPECT_EQ(f.u32(16), header);
        EXPECT_EQ(f.frames(), chunks - with_audio);
        EXPECT_EQ(f.u32(56), streams);
        EXPECT_EQ(f.movi(), 28 + header);
        EXPECT_EQ(f.tag(f.idx1()), "idx1");
        ASSERT_EQ(f.index_entries(), chunks);
        std::uint32_t offset = 4;
        for (std::uint32_t i = 0; i < chunks; ++i) {
            const std::uint32_t raw = raw_size(i), padded = (raw + 3) / 4 * 4;
            const std::string tag = audio_at(i) ? "01wb" : "00dc";
            ASSERT_EQ(f.entry(i), std::make_tuple(tag, offset, padded)) << i;
            ASSERT_EQ(f.tag(f.movi() + offset), tag) << i;
            ASSERT_EQ(f.u32(f.movi() + offset + 4), padded) << i;
            ASSERT_EQ(f.bytes.mid(f.movi() + offset + 8, padded),
                      QByteArray(raw, char(i + 1)) + QByteArray(padded - raw, '\0'))
                << i;
            offset += padded + 8;
        }
        EXPECT_EQ(f.u32(f.movi() - 4), offset) << "movi list size";
    }
}

// Microseconds per frame in "avih", scale and rate in the video "strh", as
// opened or as set afterwards; a rate of 0 opens no file and sets nothing.
TEST_F(Avi, FrameRatesWholeAndFractional)
{
    EXPECT_EQ(avi_open(path().toUtf8().constData(), 8, 8, "MJPG", 0, nullptr), nullptr);
    EXPECT_FALSE(QFile::exists(path()));
    EXPECT_EQ(open(25, 0), nullptr);
    for (auto [rate, scale, set, expected] : {std::tuple{25u, 2u, 0u, std::vector{80000u, 2u, 25u}},
                                              {10u, 1u, 30u, std::vector{33333u, 1u, 30u}}}) {
        avi_t *avi = open(rate, scale);
        ASSERT_NE(avi, nullptr);
        EXPECT_EQ(avi_set_framerate(avi, set), set ? 0 : -1);
        ASSERT_EQ(avi_close(avi), 0);
        const AviFile f(path());
        EXPECT_EQ((std::vector{f.u32(32), f.u32(128), f.u32(132)}), expected) << rate;
    }
}

TEST(CheckFourcc, ListedCodesAndSubstringsAreKnown)
{
    EXPECT_EQ(check_fourcc("MJPG"), 0);
    EXPECT_EQ(check_fourcc("JPG"), 0) << "a substring of listed codes";
    EXPECT_EQ(check_fourcc("MJ G"), 1);
    EXPECT_EQ(check_fourcc("QQQQ"), 1);
    EXPECT_EQ(check_fourcc(nullptr), -1);
}

// A chunk that would carry the file past what its 32-bit sizes can count is
// refused before anything is read from the buffer; the file stays whole.
TEST_F(Avi, ChunkPastFourGibibytesIsRefusedAndTheFileStaysValid)
{
    avi_t *avi = open(25);
    const std::vector<unsigned char> frame(400, 1);
    ASSERT_EQ(avi_add_frame(avi, frame.data(), frame.size()), 0);
    EXPECT_EQ(avi_add_frame(avi, frame.data(), std::size_t(0xffffffffu) - 300), -1);
    EXPECT_EQ(avi_add_frame(nullptr, frame.data(), frame.size()), -1);
    ASSERT_EQ(avi_close(avi), 0);
    const AviFile f(path());
    EXPECT_EQ(f.frames(), 1u);
    EXPECT_EQ(f.index_entries(), 1u);
    EXPECT_EQ(f.u32(4), std::uint32_t(f.bytes.size() - 8));
}

// Two writers open at once, one quiet: only the other one's warnings (an
// unlisted code at open, a small frame) reach standard error.
TEST_F(Avi, QuietWriterSilencesOnlyItself)
{
    testing::internal::CaptureStderr();
    avi_t *quiet =
        avi_open_ratio(path("q.avi").toUtf8().constData(), 8, 8, "QQQQ", 25, 1, nullptr, true);
    avi_t *loud =
        avi_open_ratio(path("l.avi").toUtf8().constData(), 8, 8, "QQQQ", 25, 1, nullptr, false);
    for (avi_t *avi : {quiet, loud, quiet})
        EXPECT_EQ(add(avi, 10, 1), 0);
    EXPECT_EQ(avi_close(quiet), 0);
    EXPECT_EQ(avi_close(loud), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "WARNING: given fourcc does not seem to be valid: QQQQ\n"
              "WARNING: specified buffer len seems rather small: 10. Are you sure about this?\n");
}

} // namespace
