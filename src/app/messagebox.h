#pragma once

#include "app/services.h"

namespace trevanto {

// The production message box: the text, an OK button, no icon, titled "Trevanto".
// Once the program is ending for a signal or the session's end, nothing waits for a
// click: the text goes to standard error instead.
class DialogMessages : public MessageSink
{
public:
    void showMessage(QWidget *parent, const QString &text) override;
};

// Writes a message to standard error as one line, after the program's name.
void tellOnStandardError(const QString &text);

} // namespace trevanto
