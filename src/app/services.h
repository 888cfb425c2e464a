#pragma once

#include <QSize>
#include <QString>

#include <functional>

class QPainter;
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

// What a page shows: the window's client area, `size` window pixels (96 to the inch),
// drawn by `paint` on a painter whose units are window pixels, at the page's own
// resolution.
struct WindowPage
{
    QSize size;
    std::function<void(QPainter &)> paint;
};

// Prints one page on the default printer, without a dialog.
class PagePrinter
{
public:
    virtual ~PagePrinter() = default;
    virtual PrintOutcome printPage(const WindowPage &page) = 0;
};

} // namespace trevanto
