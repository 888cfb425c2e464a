#pragma once

#include "app/services.h"

#include <QStringList>

#include <functional>

namespace trevanto {

// The production message box: the text, an OK button, no icon, titled "Trevanto".
// Once a signal is ending the program, nothing waits for a click: the text goes to
// standard error instead.
class DialogMessages : public MessageSink
{
public:
    void showMessage(QWidget *parent, const QString &text) override;
};

// Shows a window's messages one at a time. A message said while one of them, or another
// modal window of the window's own, is open waits until it closes and is shown then,
// once however often it was said meanwhile.
class MessageQueue
{
public:
    MessageQueue(MessageSink *sink, QWidget *parent);

    void show(const QString &text);

    // Runs a modal window of the window's own, such as the help; messages wait for it.
    void runModal(const std::function<void()> &modal);

private:
    MessageSink *m_sink;
    QWidget *m_parent;
    bool m_open = false;
    QStringList m_waiting;
};

// Writes a message to standard error as one line, after the program's name.
void tellOnStandardError(const QString &text);

} // namespace trevanto
