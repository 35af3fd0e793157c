// SPDX-License-Identifier: GPL-3.0-or-later
#include "video/library_versions.h"

#include <asmjit/core/api-config.h>
#include <sleef.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswscale/swscale.h>
}

#include <QtGlobal>

namespace
{

QString dotted(unsigned version)
{
    return QStringLiteral("%1.%2.%3")
        .arg(version >> 16)
        .arg((version >> 8) & 0xff)
        .arg(version & 0xff);
}

} // namespace

QStringList library_versions()
{
    return {
        QStringLiteral("Qt %1").arg(QString::fromLatin1(qVersion())),
        QStringLiteral("asmjit %1").arg(dotted(ASMJIT_LIBRARY_VERSION)),
        QStringLiteral("SLEEF %1.%2.%3")
            .arg(SLEEF_VERSION_MAJOR)
            .arg(SLEEF_VERSION_MINOR)
            .arg(SLEEF_VERSION_PATCHLEVEL),
        QStringLiteral("libavformat %1").arg(dotted(avformat_version())),
        QStringLiteral("libavcodec %1").arg(dotted(avcodec_version())),
        QStringLiteral("libswscale %1").arg(dotted(swscale_version())),
        QStringLiteral("libavutil %1").arg(dotted(avutil_version())),
    };
}
