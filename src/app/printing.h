#pragma once

#include "services.h"

#include <QDateTime>
#include <QPageLayout>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPrinter;

namespace trevanto {

// Prints the page on the system's default printer through Qt Print Support, without any
// dialog. When no printer can take it (none is set as the default, the printer cannot be
// opened, or the job ends in an error) the same page goes into a PDF in the user's
// documents folder instead, named "Trevanto-YYYYMMDD-HHMMSS.pdf".
class SystemPrinter : public PagePrinter
{
public:
    PrintOutcome printPage(const WindowPage &page) override;

    // Returns the window's size in inches: its pixels are 96 to the inch.
    static QSizeF sizeInInches(const QSize &windowPixels);

    // Returns where the window goes inside a printable area of the given size, both in
    // the printer's device units: in the middle, at the window's own size in inches,
    // shrunk to fit with its aspect ratio kept when it is larger than the area.
    static QRectF placeOnPage(const QSizeF &windowInches, const QSizeF &dotsPerInch,
                              const QSizeF &printableArea);

    // Returns the sheet's orientation that shows the window larger: the layout's own one
    // unless only turning the sheet lets the window keep more of its size.
    static QPageLayout::Orientation bestOrientation(const QSizeF &windowInches,
                                                    const QPageLayout &layout);

    // Returns a path in the folder for a PDF written at the given moment that names no
    // existing file, and creates that file empty so that a second call cannot take it too.
    // Returns an empty string when no file can be created there.
    static QString reservePdfPath(const QString &folder, const QDateTime &moment);

    // Returns the folder for PDFs that could not be printed: the user's documents folder.
    static QString pdfFolder();

private:
    // Saves the page as a PDF; `why` starts the message that says where it went.
    PrintOutcome saveAsPdf(const WindowPage &page, const QString &why);
};

// The print server's refusal of the job this thread has just handed over, in its own
// words, or an empty string when it took the job or says nothing of it. Qt hands a job
// over without looking at the answer, so a queue that takes no jobs would lose the page
// without a word.
QString printServerRefusal();

// Draws the window as the one page of a printer that is ready to print, at the printer's
// resolution, turning the sheet when that shows the window larger, and returns an empty
// string, or the reason why it could not.
QString paintPage(QPrinter &printer, const WindowPage &page);

} // namespace trevanto
