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

// The frameless file: its header list without audio, no frames, an empty index.
TEST_F(Avi, FileWithoutFramesHasTheFullHeaderAndAnEmptyIndex)
{
    ASSERT_EQ(avi_close(open(25)), 0);
    const AviFile f(path());
    ASSERT_EQ(f.bytes.size(), 232);
    for (auto [at, value] : {std::pair{4, 232u - 8}, {16, 192u}, {48, 0u}, {56, 1u}, {228, 0u}})
        EXPECT_EQ(f.u32(at), value) << "at " << at;
    for (auto [at, text] : {std::pair{0, "RIFF"},
                            {8, "AVI "},
                            {24, "avih"},
                            {96, "strl"},
                            {164, "strf"},
                            {220, "movi"},
                            {224, "idx1"}})
        EXPECT_EQ(f.tag(at), text) << "at " << at;
}

// A 1001-byte frame is padded to 1004 and the next chunk's offset follows it;
// audio between frames is indexed as such and counts no frame; past the
// first chunk table's 1024 entries the index keeps every chunk in order.
TEST_F(Avi, ChunksArePaddedAndIndexedInOrderPastTheFirstTable)
{
    avi_audio_t audio{2, 16, 8000};
    avi_t *avi = open(25, 1, &audio);
    ASSERT_NE(avi, nullptr);
    ASSERT_EQ(add(avi, 1001, 0xab), 0);
    const std::vector<unsigned char> sound(302, 7);
    ASSERT_EQ(avi_add_audio(avi, sound.data(), sound.size()), 0);
    for (int i = 2; i < 3000; ++i)
        ASSERT_EQ(add(avi, 256 + i % 4, static_cast<unsigned char>(i)), 0);
    ASSERT_EQ(avi_close(avi), 0);

    const AviFile f(path());
    EXPECT_EQ(f.u32(4), std::uint32_t(f.bytes.size() - 8));
    EXPECT_EQ(f.u32(16), 294u) << "header list with the audio stream";
    EXPECT_EQ(f.frames(), 2999u);
    EXPECT_EQ(f.u32(56), 2u);
    EXPECT_EQ(f.movi(), 220 + 102);
    const qsizetype first = f.movi() + 4;
    EXPECT_EQ(f.tag(first), "00dc");
    EXPECT_EQ(f.bytes.mid(first + 4, 4), QByteArray("\xec\x03\0\0", 4)) << "1004";
    EXPECT_EQ(f.bytes.mid(first + 8, 1004), QByteArray(1001, char(0xab)) + QByteArray(3, '\0'));

    ASSERT_EQ(f.index_entries(), 3000u);
    EXPECT_EQ(f.entry(0), std::make_tuple(std::string("00dc"), 4u, 1004u));
    EXPECT_EQ(f.entry(1), std::make_tuple(std::string("01wb"), 1016u, 304u));
    EXPECT_EQ(f.tag(f.movi() + 1016), "01wb");
    std::uint32_t offset = 1016 + 304 + 8;
    for (std::uint32_t i = 2; i < 3000; ++i) {
        const auto [tag, at, size] = f.entry(i);
        ASSERT_EQ(std::make_tuple(tag, at, size),
                  std::make_tuple(std::string("00dc"), offset, 256u + (i % 4 ? 4 : 0)))
            << i;
        ASSERT_EQ(static_cast<unsigned char>(f.bytes[f.movi() + at + 8]), i % 256) << i;
        offset += size + 8;
    }
    EXPECT_EQ(f.u32(f.movi() - 4), offset) << "movi list size";
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
