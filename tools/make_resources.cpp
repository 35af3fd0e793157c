// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/disk_texture.h"
#include "tools/emblem.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>

// Re-makes the images compiled into the program and the icons installed for
// the desktop. Usage: make_resources <dir>
// The output is deterministic, so re-running it leaves the committed files
// unchanged unless the drawing code changed.

namespace
{

bool save(const QImage &image, const QString &path, const char *format)
{
    QImageWriter writer(path, format);
    if (writer.write(image))
        return true;
    std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    // Text needs a GUI application but never a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    bool ok = save(disk_texture(2048), out.filePath("kepler.png"), "png") &&
              save(logo(362, 351), out.filePath("uni.png"), "png") &&
              save(icon(64), out.filePath("ico.ico"), "ico");
    // The desktop's icon theme wants the icon drawn at each size, not scaled.
    if (ok && !out.mkpath("icons"))
        ok = false;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512})
        ok = ok && save(icon(size), out.filePath(QStringLiteral("icons/%1.png").arg(size)), "png");
    return ok ? 0 : 1;
}
