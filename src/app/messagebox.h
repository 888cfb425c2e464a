#pragma once

#include "app/services.h"

namespace trevanto {

// The production message box: the text, an OK button, no icon, titled "Trevanto".
class DialogMessages : public MessageSink
{
public:
    void showMessage(QWidget *parent, const QString &text) override;
};

} // namespace trevanto
