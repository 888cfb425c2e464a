#include "printing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>

namespace trevanto {

namespace {

// The window is laid out in pixels at 96 to the inch.
constexpr qreal windowPixelsPerInch = 96.0;

} // namespace

QSizeF SystemPrinter::sizeInInches(const QSize &windowPixels)
{
    return QSizeF(windowPixels) / windowPixelsPerInch;
}

QRectF SystemPrinter::placeOnPage(const QSizeF &windowInches, const QSizeF &dotsPerInch,
                                  const QSizeF &printableArea)
{
    if (windowInches.isEmpty() || printableArea.isEmpty())
        return QRectF();
    QSizeF size(windowInches.width() * dotsPerInch.width(),
                windowInches.height() * dotsPerInch.height());
    if (size.width() > printableArea.width() || size.height() > printableArea.height())
        size.scale(printableArea, Qt::KeepAspectRatio);
    const QPointF corner((printableArea.width() - size.width()) / 2, (printableArea.height() - size.height()) / 2);
    return QRectF(corner, size);
}

QPageLayout::Orientation SystemPrinter::bestOrientation(const QSizeF &windowInches,
                                                        const QPageLayout &layout)
{
    const auto shownWidth = [&](QPageLayout::Orientation orientation) {
        QPageLayout turned = layout;
        turned.setOrientation(orientation);
        const QSizeF area = turned.paintRect(QPageLayout::Inch).size();
        return placeOnPage(windowInches, QSizeF(1, 1), area).width();
    };
    const QPageLayout::Orientation current = layout.orientation();
    const QPageLayout::Orientation other = current == QPageLayout::Portrait
            ? QPageLayout::Landscape : QPageLayout::Portrait;
    // A thousandth of an inch keeps rounding in the margins from turning the sheet.
    return shownWidth(other) > shownWidth(current) + 0.001 ? other : current;
}

QString SystemPrinter::reservePdfPath(const QString &folder, const QDateTime &moment)
{
    const QDir dir(folder);
    const QString stem = QStringLiteral("Trevanto-") + moment.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    // A second page in the same second gets "-2", then "-3" and so on; a folder that
    // refuses every name gives up rather than loop for ever.
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        const QString name = attempt == 1
                ? stem + QStringLiteral(".pdf")
                : stem + QLatin1Char('-') + QString::number(attempt) + QStringLiteral(".pdf");
        const QString path = dir.filePath(name);
        if (QFileInfo::exists(path))
            continue;
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return path;
        if (!QFileInfo::exists(path))
            return QString(); // not a name taken meanwhile: the folder refuses new files
    }
    return QString();
}

QString SystemPrinter::pdfFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    return folder;
}

QString paintPage(QPrinter &printer, const WindowPage &page)
{
    const QSizeF inches = SystemPrinter::sizeInInches(page.size);
    const QPageLayout::Orientation orientation = SystemPrinter::bestOrientation(inches, printer.pageLayout());
    if (orientation != printer.pageLayout().orientation())
        printer.setPageOrientation(orientation);

    QPainter painter;
    if (!painter.begin(&printer))
        return QStringLiteral("a impressora não aceitou a página");
    const QRectF printable = printer.pageRect(QPrinter::DevicePixel);
    const QRectF target = SystemPrinter::placeOnPage(
            inches, QSizeF(printer.logicalDpiX(), printer.logicalDpiY()), printable.size());
    // The window is drawn anew for the page, in window pixels scaled to the printer's
    // dots: text stays text and lines stay lines, and a picture is kept without a lossy
    // compression.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    painter.translate(target.topLeft());
    painter.scale(target.width() / page.size.width(), target.height() / page.size.height());
    painter.setClipRect(QRect(QPoint(0, 0), page.size));
    page.paint(painter);
    // end() hands the job to the printer; a refused job shows up as the Error state.
    const bool ended = painter.end();
    if (!ended || printer.printerState() == QPrinter::Error)
        return QStringLiteral("a impressão terminou com erro");
    return QString();
}

PrintOutcome SystemPrinter::printPage(const WindowPage &page)
{
    if (page.size.isEmpty())
        return {QStringLiteral("Não foi possível imprimir: a janela não tem tamanho")};

    // No default printer, one that cannot be opened, or a page it refused: the page
    // goes into a PDF instead, and the user is told which of these it was.
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return saveAsPdf(page, QStringLiteral("Nenhuma impressora disponível."));
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Trevanto"));
    printer.setFullPage(false);
    QString refusal = printer.isValid() ? paintPage(printer, page) : QStringLiteral("ela não pôde ser aberta");
    if (refusal.isEmpty())
        refusal = printServerRefusal();
    if (refusal.isEmpty())
        return {};
    if (refusal.endsWith(u'.'))
        refusal.chop(1);
    return saveAsPdf(page, QStringLiteral("A impressora %1 recusou a página (%2).").arg(info.printerName(), refusal));
}

PrintOutcome SystemPrinter::saveAsPdf(const WindowPage &page, const QString &why)
{
    const auto failed = [&why](const QString &reason) {
        return PrintOutcome{why + QStringLiteral(" Não foi possível gravar a página num PDF: ") + reason};
    };
    const QString folder = pdfFolder();
    if (!QDir().mkpath(folder))
        return failed(QStringLiteral("a pasta %1 não pôde ser criada.").arg(QDir::toNativeSeparators(folder)));

    const QString path = reservePdfPath(folder, QDateTime::currentDateTime());
    if (path.isEmpty())
        return failed(QStringLiteral("não foi possível criar um arquivo em %1.").arg(QDir::toNativeSeparators(folder)));

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setDocName(QStringLiteral("Trevanto"));
    printer.setCreator(QStringLiteral("Trevanto"));
    printer.setFullPage(false);
    // A PDF has no printer's edge to keep clear of: a margin as a page usually has.
    printer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    const QString problem = paintPage(printer, page);
    if (!problem.isEmpty() || QFileInfo(path).size() == 0) {
        QFile::remove(path);
        return failed(QStringLiteral("não foi possível gravar %1.").arg(QDir::toNativeSeparators(path)));
    }
    return {why + QStringLiteral(" A página foi gravada em %1").arg(QDir::toNativeSeparators(path))};
}

} // namespace trevanto
