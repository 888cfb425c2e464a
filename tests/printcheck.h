#pragma once

// What the printing suites share: a test page, readable outcomes, and what they look at in
// a PDF (its page count and where the printed pattern landed, read with poppler's pdfinfo
// and pdftoppm).

#include "app/services.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace trevanto {

inline char *toString(PrintOutcome::Kind kind)
{
    switch (kind) {
    case PrintOutcome::Printed: return qstrdup("Printed");
    case PrintOutcome::SavedAsPdf: return qstrdup("SavedAsPdf");
    case PrintOutcome::Failed: return qstrdup("Failed");
    }
    return qstrdup("unknown");
}

} // namespace trevanto

namespace printcheck {

// A page as the window would hand it over: white, a 4-pixel black frame around the
// whole image, a red block near the top-left corner and a blue one near the bottom-right.
inline QImage pattern(int width = 659, int height = 503)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(0, 0, width, 4, Qt::black);
    painter.fillRect(0, height - 4, width, 4, Qt::black);
    painter.fillRect(0, 0, 4, height, Qt::black);
    painter.fillRect(width - 4, 0, 4, height, Qt::black);
    painter.fillRect(QRect(20, 20, width / 3, height / 3), QColor(255, 0, 0));
    painter.fillRect(QRect(width - 20 - width / 3, height - 20 - height / 3, width / 3, height / 3),
                     QColor(0, 0, 255));
    painter.setPen(QPen(Qt::black, 3));
    painter.drawLine(0, 0, width - 1, height - 1);
    return image;
}

inline bool hasTool(const QString &name)
{
    return !QStandardPaths::findExecutable(name).isEmpty();
}

inline bool startsLikePdf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-";
}

// Returns the PDF's page count as pdfinfo reads it, or -1 when pdfinfo cannot read it
// (for instance while the file is still being written).
inline int pageCount(const QString &path)
{
    QProcess pdfinfo;
    pdfinfo.start(QStringLiteral("pdfinfo"), {path});
    if (!pdfinfo.waitForFinished(30000) || pdfinfo.exitStatus() != QProcess::NormalExit
        || pdfinfo.exitCode() != 0)
        return -1;
    const QString out = QString::fromUtf8(pdfinfo.readAllStandardOutput());
    const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)\\s*$"),
                               QRegularExpression::MultilineOption).match(out);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// Returns the PDF's first page drawn at the given resolution, or a null image.
inline QImage firstPage(const QString &path, int dotsPerInch)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return QImage();
    const QString stem = dir.filePath(QStringLiteral("page"));
    QProcess pdftoppm;
    pdftoppm.start(QStringLiteral("pdftoppm"),
                   {QStringLiteral("-r"), QString::number(dotsPerInch), QStringLiteral("-f"),
                    QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                    QStringLiteral("-png"), QStringLiteral("-singlefile"), path, stem});
    if (!pdftoppm.waitForFinished(60000) || pdftoppm.exitCode() != 0)
        return QImage();
    return QImage(stem + QStringLiteral(".png"));
}

// Where the pattern's parts were found on a drawn page.
struct Found
{
    QRect ink;  // everything that is not white
    QRect red;
    QRect blue;
};

inline Found locate(const QImage &page)
{
    Found found;
    const QImage image = page.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int r = qRed(line[x]), g = qGreen(line[x]), b = qBlue(line[x]);
            if (r > 200 && g > 200 && b > 200)
                continue;
            found.ink |= QRect(x, y, 1, 1);
            if (r > 180 && g < 80 && b < 80)
                found.red |= QRect(x, y, 1, 1);
            else if (b > 180 && r < 80 && g < 80)
                found.blue |= QRect(x, y, 1, 1);
        }
    }
    return found;
}

} // namespace printcheck
