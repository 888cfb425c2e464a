#include "messagebox.h"

#include "app/shutdown.h"

#include <QMessageBox>

#include <cstdio>

namespace trevanto {

void DialogMessages::showMessage(QWidget *parent, const QString &text)
{
    if (isEnding()) {
        tellOnStandardError(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Trevanto"), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void tellOnStandardError(const QString &text)
{
    QString line = text;
    line.replace(u'\n', u' ');
    const QByteArray bytes = "trevanto: " + line.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
}

} // namespace trevanto
