#include "messagebox.h"

#include <QMessageBox>

namespace trevanto {

void DialogMessages::showMessage(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Trevanto"), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace trevanto
