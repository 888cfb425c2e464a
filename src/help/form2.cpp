#include "form2.h"

#include "common/windowsize.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace trevanto {

namespace {

// Makes one line of text at its designed place: single-line, left-aligned, as wide
// and as high as its text in the window's font, never taking the keyboard focus.
QLabel *makeLine(QWidget *parent, const QString &name, const QString &text, int top)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setFocusPolicy(Qt::NoFocus);
    label->setText(text);
    label->move(24, top);
    label->adjustSize();
    return label;
}

} // namespace

Form2::Form2(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Ajuda"));
    // Title bar and close box only, no "?" button; the size is fixed below.
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowModality(Qt::ApplicationModal);
    setSizeGripEnabled(false);

    // Created in the order a screen reader reads the window's children: the lines top
    // to bottom (Label5 stands above Label4), then Fechar. The button stands beside
    // the fifth and sixth lines, but read there it would cut the instructions in two;
    // after them it closes what has been read. Only the button takes the focus, and
    // it stands clear of the lines, so the order changes nothing on the screen.
    Label1 = makeLine(this, QStringLiteral("Label1"),
                      QStringLiteral("Digite na caixa \"Direção\" os graus de bússola na sequência "
                                     "correta de acordo com a planilha."),
                      16);
    Label2 = makeLine(this, QStringLiteral("Label2"),
                      QStringLiteral("Para cada grau de bússola digitado, informe na caixa "
                                     "\"Metragem\" a quantidade de metros que deve ser percorrida."),
                      40);
    Label3 = makeLine(this, QStringLiteral("Label3"),
                      QStringLiteral("Você pode arrastar o marco de início (quadrado vermelho) para "
                                     "melhor visualizar o gráfico."),
                      64);
    Label5 = makeLine(this, QStringLiteral("Label5"),
                      QStringLiteral("Para aumentar ou diminuir o gráfico utilize o comando de Zoom."),
                      88);
    Label4 = makeLine(this, QStringLiteral("Label4"),
                      QStringLiteral("Você também pode aumentar e diminuir a área de trabalho."),
                      112);
    Label6 = makeLine(this, QStringLiteral("Label6"),
                      QStringLiteral("Ao finalizar o programa automaticamente grava o seu trabalho."),
                      136);

    Command1 = new QPushButton(QStringLiteral("Fechar"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->resize(81, 25); // placed below, once the window's width is known
    // Enter presses nothing here; the focused button answers only to its own key.
    Command1->setAutoDefault(false);
    Command1->setFocusPolicy(Qt::StrongFocus);

    // The window is 590 x 167 as designed. A font wider than the one the lines were
    // measured in would cut the longest line off, so the window then grows to keep
    // the same margin right of it as left of it, and the button keeps to the right.
    int width = 590;
    for (const QLabel *label : {Label1, Label2, Label3, Label4, Label5, Label6})
        width = qMax(width, label->x() + label->width() + 24);
    setFixedSize(width, 167);
    letWaylandMaximize(this);
    Command1->move(width - 590 + 488, 120);

    Command1->setFocus();

    // For screen readers: the lines by their texts and their order on screen, the
    // button by its caption.
    setAccessibleDescription(QStringLiteral("Instruções de uso do programa"));
    QLabel *const onScreen[] = {Label1, Label2, Label3, Label5, Label4, Label6};
    for (int line = 0; line < 6; ++line) {
        QLabel *label = onScreen[line];
        label->setAccessibleName(label->text());
        label->setAccessibleDescription(QStringLiteral("Linha %1 de 6 da ajuda").arg(line + 1));
    }
    Command1->setAccessibleName(Command1->text());
    Command1->setAccessibleDescription(QStringLiteral("Fecha a janela de ajuda"));

    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
}

void Form2::Command1_Click()
{
    close();
}

void Form2::keyPressEvent(QKeyEvent *event)
{
    // The window has no cancel button: Escape leaves it open, like any other key that
    // no control handles. It closes only by Fechar or the close box.
    if (event->matches(QKeySequence::Cancel)) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace trevanto
