#pragma once

#include <QImage>
#include <QString>

class QWidget;

namespace trevanto {

// Shows the program's messages: production opens a modal box with an OK button, no
// icon and the title "Trevanto"; tests record the texts instead.
class MessageSink
{
public:
    virtual ~MessageSink() = default;
    virtual void showMessage(QWidget *parent, const QString &text) = 0;
};

struct PrintOutcome
{
    QString message; // empty when the page was printed; else where it went instead, and why
};

// Prints one page holding the given image, on the default printer, without a dialog.
class PagePrinter
{
public:
    virtual ~PagePrinter() = default;
    virtual PrintOutcome printPage(const QImage &page) = 0;
};

} // namespace trevanto
