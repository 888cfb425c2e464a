#pragma once

#include <QDialog>

class QKeyEvent;
class QLabel;
class QPushButton;

namespace trevanto {

// The help window: six fixed lines of instructions and a Fechar button. The main
// window creates it on the stack with itself as parent and runs exec(), so each
// Ajuda... gets a fresh window that is gone when the call returns. It blocks input
// to every other window of the program while it is open. Its size is fixed: 590 x 167
// pixels, wider only when the font in use would not show the longest line whole. On
// Wayland it opens at that size and can also be maximized (see letWaylandMaximize).
class Form2 : public QDialog
{
    Q_OBJECT

public:
    explicit Form2(QWidget *parent = nullptr);

    // Click on Fechar: closes the window, the same way as its close box.
    void Command1_Click();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Named as designed; Label5 is the fourth line on screen and Label4 the fifth.
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label6 = nullptr;
    QPushButton *Command1 = nullptr;
};

} // namespace trevanto
