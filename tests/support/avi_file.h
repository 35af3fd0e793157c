// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>

#include <cstdint>
#include <string>
#include <tuple>

// A written AVI file, read back field by field.
struct AviFile {
    QByteArray bytes;

    explicit AviFile(QString const &path)
    {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            bytes = f.readAll();
    }
    std::uint32_t u32(qsizetype at) const
    {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
        return v;
    }
    std::string tag(qsizetype at) const { return bytes.mid(at, 4).toStdString(); }
    std::uint32_t frames() const { return u32(48); }
    QSize size() const { return QSize(int(u32(64)), int(u32(68))); }
    qsizetype movi() const { return bytes.indexOf("movi"); }
    qsizetype idx1() const { return movi() + 4 + u32(movi() - 4) - 4; }
    std::uint32_t index_entries() const { return u32(idx1() + 4) / 16; }
    // Tag, offset and size of index entry i.
    std::tuple<std::string, std::uint32_t, std::uint32_t> entry(std::uint32_t i) const
    {
        const qsizetype at = idx1() + 8 + 16 * qsizetype(i);
        return {tag(at), u32(at + 8), u32(at + 12)};
    }
    // The picture of the first video chunk.
    QImage first_frame() const
    {
        const qsizetype chunk = bytes.indexOf("00dc");
        return chunk < 0 ? QImage() : QImage::fromData(bytes.mid(chunk + 8, u32(chunk + 4)));
    }
};
