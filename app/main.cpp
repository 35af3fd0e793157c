// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <optional>

namespace
{

const char usage[] = "Usage: tenebrion [options] [scene]\n"
                     "Shows what an observer sees near a black hole, or in any spacetime whose "
                     "metric is typed as formulas.\n\n"
                     "Given a scene file, the window opens with that scene.\n\n"
                     "Options:\n"
                     "  -h, --help     Displays this help.\n"
                     "  -v, --version  Displays version information.\n\n"
                     "Without a window, tenebrion-render renders scenes saved by this program "
                     "(see tenebrion-render --help).\n";

// Asked only for its usage or version, the program answers without needing
// a display, and without opening a window.
std::optional<int> answer(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help")) {
            std::fputs(usage, stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "-v") || !std::strcmp(argv[i], "--version")) {
            std::printf("tenebrion %s\n", TENEBRION_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    if (const std::optional<int> code = answer(argc, argv))
        return *code;
    QApplication a(argc, argv);
    // Where the recent scenes and last folders are kept: ~/.config/Tenebrion/Tenebrion.conf.
    QCoreApplication::setOrganizationName(QStringLiteral("Tenebrion"));
    QCoreApplication::setApplicationName(QStringLiteral("Tenebrion"));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tenebrion.Tenebrion"));
    MainWindow w;
    w.show();
    // What is left once the toolkit took its own options: the file a file
    // manager or the command line gave.
    if (const QStringList files = QCoreApplication::arguments().mid(1); !files.isEmpty())
        w.open_scene(files.first());
    return a.exec();
}
