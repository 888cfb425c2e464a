#include "messagebox.h"

#include "app/console.h"
#include "app/shutdown.h"
#include "common/windowsize.h"

#include <QEvent>
#include <QMessageBox>

#include <cstdio>

namespace trevanto {

namespace {

// A QMessageBox that a Wayland compositor may maximize. QMessageBox fixes its own size
// whenever it is shown and whenever its layout asks to be redone; each time, the upper
// limit is taken off again on Wayland. While the box is maximized or full screen its
// size is the compositor's, so a layout request then only lays the contents out anew.
class MessageBox : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

protected:
    bool event(QEvent *event) override
    {
        const bool compositorSized = windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
        if (event->type() == QEvent::LayoutRequest && compositorSized)
            return QDialog::event(event);
        const bool handled = QMessageBox::event(event);
        if (event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest)
            letWaylandMaximize(this);
        return handled;
    }
};

} // namespace

void DialogMessages::showMessage(QWidget *parent, const QString &text)
{
    if (isEnding()) {
        tellOnStandardError(text);
        return;
    }
    MessageBox box(QMessageBox::NoIcon, QStringLiteral("Trevanto"), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

MessageQueue::MessageQueue(MessageSink *sink, QWidget *parent)
    : m_sink(sink)
    , m_parent(parent)
{
}

void MessageQueue::show(const QString &text)
{
    if (!m_sink)
        return;
    if (m_open) {
        if (!m_waiting.contains(text))
            m_waiting.append(text);
        return;
    }
    runModal([&] { m_sink->showMessage(m_parent, text); });
}

void MessageQueue::runModal(const std::function<void()> &modal)
{
    m_open = true;
    modal();
    m_open = false;
    if (!m_waiting.isEmpty())
        show(m_waiting.takeFirst());
}

void tellOnStandardError(const QString &text)
{
    QString line = text;
    line.replace(u'\n', u' ');
    writeText(stderr, QStringLiteral("trevanto: ") + line + u'\n');
}

} // namespace trevanto
