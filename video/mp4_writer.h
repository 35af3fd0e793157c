// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "video/frame_rate.h"
#include "video/output_file.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

// An MP4 file with one H.264 stream, fed with pictures of one size. The
// pictures are converted to 4:2:0 YUV with the BT.709 matrix in limited
// range, and the stream is tagged so (primaries, transfer and matrix BT.709),
// so that players show the colours the program rendered. H.264 in 4:2:0
// needs even sides: an odd width or height is padded by one column or row
// repeating the picture's last one (see video_size).
//
// The file grows as a PendingFile and takes the final name only when
// finish() succeeds, with its index (moov) moved before the frames so that a
// browser can play it while it loads. Anything not finished is removed.
class Mp4Writer
{
  public:
    explicit Mp4Writer(QString path);
    ~Mp4Writer();
    Mp4Writer(Mp4Writer const &) = delete;
    Mp4Writer &operator=(Mp4Writer const &) = delete;

    // Creates the temporary file and the encoder for pictures of `size`.
    // `quality` 0–100 as for JPEG, mapped to a constant quality (see
    // constant_rate_factor); `threads` 0 lets the encoder choose.
    [[nodiscard]] QString open(QSize size, FrameRate rate, int quality, int threads);
    // The picture must have the size given to open().
    [[nodiscard]] QString add_frame(QImage const &picture);
    // Flushes the encoder, writes the index and renames the file.
    [[nodiscard]] QString finish();

    int frames() const { return frames_; }

    // The size of the video for pictures of `size`: odd sides grow by one.
    static QSize video_size(QSize size);
    // The encoder's constant rate factor for a quality of 0–100: 16 (visually
    // lossless, still playable everywhere, unlike the lossless 0) at 100, up
    // to 51 at 0.
    static int constant_rate_factor(int quality);

  private:
    struct Encoder;
    QString abandon(QString const &reason);

    QString path_;
    PendingFile file_;
    QSize size_;
    int frames_ = 0;
    std::unique_ptr<Encoder> encoder_;
};
