// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "render/frame_buffer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <map>
#include <string>

#include <sys/stat.h>
#include <sys/sysmacros.h>

// The address sanitizer reserves terabytes of address space at start, so a
// limit on it cannot be tested there.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool address_limit_testable = false;
#else
inline constexpr bool address_limit_testable = true;
#endif

// Frames whose every pixel differs, so that JPEG and H.264 have something to keep.
inline void fill(MyImage &frame, int w, int h, unsigned i)
{
    frame.dim(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            frame.set_done(x, y);
            frame.set_pixel(x, y,
                            0xff000000u | unsigned(x * 255 / w) << 16 | unsigned(y * 255 / h) << 8 |
                                unsigned(i * 20 + x * y % 7));
        }
}

// What an output may find under its name before it writes.
enum class Hazard {
    none,      // nothing: the name is new
    older,     // an older file of 10 000 bytes, written on a full disk
    device,    // a character device (the null device's numbers), made in the test's folder
    fifo,      // a fifo no one reads: opening it for writing would block
    read_only, // a file of mode 0444
    link,      // a symbolic link to an older file "linked" of mode 0640
};

inline void put_file(QString const &name, QByteArray const &bytes)
{
    QFile f(name);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

// Puts the hazard under `name`, in a folder of the test's own. A device needs
// the right to make one; without it, a link to the zero device stands in.
inline void place(Hazard hazard, QString const &name)
{
    const QByteArray path = QFile::encodeName(name);
    switch (hazard) {
    case Hazard::none:
        break;
    case Hazard::older:
        put_file(name, QByteArray(10000, 'o'));
        break;
    case Hazard::device:
        if (::mknod(path.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QFile::link(QStringLiteral("/dev/zero"), name);
        break;
    case Hazard::fifo:
        ::mkfifo(path.constData(), 0666);
        break;
    case Hazard::read_only:
        put_file(name, "kept");
        ::chmod(path.constData(), 0444);
        break;
    case Hazard::link: {
        const QString linked = QFileInfo(name).dir().filePath(QStringLiteral("linked"));
        put_file(linked, "older");
        ::chmod(QFile::encodeName(linked).constData(), 0640);
        QFile::link(QStringLiteral("linked"), name);
        break;
    }
    }
}

// Every entry of a folder: a file by a checksum of its content, anything else
// by its kind (a link by where it leads).
inline std::map<std::string, std::string> disk_state(QString const &folder)
{
    std::map<std::string, std::string> state;
    const QDir dir(folder);
    for (QString const &name :
         dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        const QFileInfo info(dir.filePath(name));
        QFile file(info.filePath());
        std::string &entry = state[name.toStdString()];
        if (info.isSymLink())
            entry = "link to " + info.symLinkTarget().toStdString();
        else if (!info.isFile())
            entry = info.isDir() ? "folder" : "special";
        else if (file.open(QIODevice::ReadOnly))
            entry = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1)
                        .toHex()
                        .toStdString();
    }
    return state;
}
