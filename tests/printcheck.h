#pragma once

// What the printing suites share: a test page, readable outcomes, and what they look at in
// a PDF (its page count and where the printed pattern landed, read with poppler's pdfinfo
// and pdftoppm).

#include "app/services.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

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

// Returns why the PDFs cannot be read here, or an empty string when pdfinfo and pdftoppm
// (poppler-utils) are installed.
inline QString popplerMissing()
{
    for (const char *tool : {"pdfinfo", "pdftoppm"}) {
        if (QStandardPaths::findExecutable(QString::fromUtf8(tool)).isEmpty())
            return QStringLiteral("pdfinfo and pdftoppm (poppler-utils) are needed to read the printed page");
    }
    return QString();
}

// Returns why a real print cannot be checked here, or an empty string when the system's
// default printer is the CUPS queue that writes its jobs as PDFs into the folder named by
// TREVANTO_CUPS_PDF_DIR (scripts/start-cups.sh sets one up).
inline QString realPrinterMissing()
{
    if (qEnvironmentVariable("TREVANTO_CUPS_PDF_DIR").isEmpty())
        return QStringLiteral("TREVANTO_CUPS_PDF_DIR is not set: no CUPS PDF printer was set up "
                              "(scripts/start-cups.sh needs root)");
    if (QPrinterInfo::defaultPrinter().isNull())
        return QStringLiteral("the system has no default printer");
    return popplerMissing();
}

// The PDFs in the folder with the times they were last written.
inline QHash<QString, QDateTime> pdfsIn(const QString &folder)
{
    QHash<QString, QDateTime> pdfs;
    for (const QFileInfo &info : QDir(folder).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files))
        pdfs.insert(info.fileName(), info.lastModified());
    return pdfs;
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

// Waits for a PDF in the folder that is new or written again since `before` was taken and
// that pdfinfo reads whole (the print queue converts a job on its own time); returns its
// path, or an empty string after a minute.
inline QString waitForNewPdf(const QString &folder, const QHash<QString, QDateTime> &before)
{
    const QDeadlineTimer deadline(60000);
    do {
        const QHash<QString, QDateTime> now = pdfsIn(folder);
        for (auto pdf = now.cbegin(); pdf != now.cend(); ++pdf) {
            const QString path = QDir(folder).filePath(pdf.key());
            if (before.value(pdf.key()) != pdf.value() && pageCount(path) > 0)
                return path;
        }
        QTest::qWait(100);
    } while (!deadline.hasExpired());
    return QString();
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

// Returns what is wrong with a sheet drawn at 48 dpi from the printed pattern, or an empty
// string when the 96-dpi page came out at half its pixel size in the top-left part of the
// sheet, red above and left of blue.
inline QString halfSizeAtTopLeft(const QImage &sheet)
{
    if (sheet.isNull())
        return QStringLiteral("the page could not be drawn");
    const Found found = locate(sheet);
    if (qAbs(found.ink.width() - 659 / 2.0) > 3 || qAbs(found.ink.height() - 503 / 2.0) > 3)
        return QStringLiteral("printed %1 x %2").arg(found.ink.width()).arg(found.ink.height());
    if (found.ink.left() >= sheet.width() / 4 || found.ink.top() >= sheet.height() / 4)
        return QStringLiteral("printed at %1, %2").arg(found.ink.left()).arg(found.ink.top());
    if (found.red.isEmpty() || found.blue.isEmpty() || found.red.right() >= found.blue.left()
        || found.red.bottom() >= found.blue.top())
        return QStringLiteral("the red and blue blocks are not where the pattern has them");
    return QString();
}

} // namespace printcheck
