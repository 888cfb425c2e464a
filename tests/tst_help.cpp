// The help window, the web link behind the logo, and what a screen reader finds in the windows.

#include "formfixture.h"

#include "app/marker.h"
#include "app/messagebox.h"
#include "app/updown.h"
#include "help/form2.h"

#include <QAccessibleWidget>
#include <QMessageBox>
#include <QTimer>

const QStringList HelpLines = { // top to bottom
    QStringLiteral("Digite na caixa \"Direção\" os graus de bússola na sequência correta de acordo com a planilha."),
    QStringLiteral("Para cada grau de bússola digitado, informe na caixa \"Metragem\" a quantidade de metros "
                   "que deve ser percorrida."),
    QStringLiteral("Você pode arrastar o marco de início (quadrado vermelho) para melhor visualizar o gráfico."),
    QStringLiteral("Para aumentar ou diminuir o gráfico utilize o comando de Zoom."),
    QStringLiteral("Você também pode aumentar e diminuir a área de trabalho."),
    QStringLiteral("Ao finalizar o programa automaticamente grava o seu trabalho."),
};

// The names of the window's children that are no widgets: its bearing labels.
static QStringList labelNames(Form1 &form)
{
    QAccessibleInterface *window = QAccessible::queryAccessibleInterface(&form);
    QStringList names;
    for (int i = 0; i < window->childCount(); ++i)
        if (QAccessibleInterface *child = window->child(i); child && !child->object())
            names.append(child->text(QAccessible::Name));
    return names;
}

// Finds the browser files it is given; a browser found may refuse to start.
struct SiteLauncher : RecordingLauncher
{
    QStringList existing;
    bool startsWork = true;
    bool fileExists(const QString &path) const override { return existing.contains(path); }
    bool startProgram(const QString &c, int s) override { return RecordingLauncher::startProgram(c, s) && startsWork; }
};

class HelpTest : public QObject
{
    Q_OBJECT

private slots:
    void helpWindow_data()
    {
        // Escape and Enter, which leave it open, are the random walk's to press.
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Fechar closes") << false;
        QTest::newRow("close box closes") << true;
    }
    void helpWindow();

    void openingTheSite_data();
    void openingTheSite()
    {
        QFETCH(QStringList, existing);
        QFETCH(bool, startsWork);
        SiteLauncher launcher;
        launcher.existing = existing;
        launcher.startsWork = startsWork;
        trevanto::openOrganisationSite(launcher);
        QTEST(launcher.started, "started");
    }

    void bearingLabelsAreChildrenOfTheWindow();
    void messageBoxIsPlain();
};

// The program's own message box: the text, the program's title, no icon and OK only.
void HelpTest::messageBoxIsPlain()
{
    const QString text = QStringLiteral("Informe a ESCALA para o desenho!");
    QWidget parent;
    QPointer<QMessageBox> box;
    bool answered = false; // the box was open while the message was shown
    QTimer::singleShot(0, &parent, [&] {
        answered = true;
        box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        const auto closing = qScopeGuard([&] { if (box) box->done(0); });
        QVERIFY(box);
        QCOMPARE(box->windowTitle() + u'|' + box->text(), QStringLiteral("Trevanto|") + text);
        QCOMPARE(box->icon(), QMessageBox::NoIcon);
        QCOMPARE(box->standardButtons(), QMessageBox::Ok);
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        QVERIFY(!box->isVisible());
    });
    trevanto::DialogMessages().showMessage(&parent, text);
    QVERIFY(answered && !QApplication::activeModalWidget());
}

void HelpTest::helpWindow()
{
    QFETCH(bool, closeBox);
    FormFixture fixture;
    QVERIFY(showActive(*fixture.form));
    QPointer<QWidget> help;
    bool answered = false;
    QTimer::singleShot(0, fixture.form.get(), [&] {
        answered = true;
        help = QApplication::activeModalWidget();
        // Closed whatever the checks find, so that Ajuda... returns.
        const auto closing = qScopeGuard([&] { if (help) help->close(); });
        QTRY_COMPARE(QApplication::activeWindow(), help);
        QCOMPARE(help->windowTitle(), QStringLiteral("Ajuda"));
        QCOMPARE(help->windowModality(), Qt::ApplicationModal);
        auto *fechar = qobject_cast<QPushButton *>(QApplication::focusWidget());
        QVERIFY(fechar && fechar->window() == help && fechar->text() == u"Fechar");
        // Fechar keeps to the bottom right, 21 pixels in, however wide the lines make the window.
        QCOMPARE(fechar->geometry(), QRect(help->width() - 102, 120, 81, 25));
        // The lines top to bottom, 24 pixels apart, numbered so for screen readers.
        QList<QLabel *> labels = help->findChildren<QLabel *>();
        std::ranges::sort(labels, {}, &QWidget::y);
        QStringList lines;
        for (const QLabel *label : std::as_const(labels)) {
            QCOMPARE(label->pos(), QPoint(24, 16 + 24 * int(lines.size())));
            lines << label->text();
            QCOMPARE(label->accessibleDescription(), QStringLiteral("Linha %1 de 6 da ajuda").arg(lines.size()));
        }
        QCOMPARE(lines, HelpLines);
        // A screen reader reads them so, then Fechar.
        QAccessibleInterface *window = QAccessible::queryAccessibleInterface(help);
        QStringList reading;
        for (int i = 0; i < window->childCount(); ++i)
            reading << window->child(i)->text(QAccessible::Name);
        QCOMPARE(reading, HelpLines + QStringList{QStringLiteral("Fechar")});
        if (closeBox)
            help->close();
        else
            QTest::mouseClick(fechar, Qt::LeftButton);
        QVERIFY(!help->isVisible());
    });
    QTest::mouseClick(fixture.form->Command6, Qt::LeftButton);
    QVERIFY(answered && help.isNull()); // closed means destroyed: every Ajuda... makes a new window
}

void HelpTest::openingTheSite_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<bool>("startsWork");
    QTest::addColumn<QStringList>("started");
    const QString first = QStringLiteral("C:\\Arquivos de programas\\Internet Explorer\\iexplore.exe");
    const QString second = QStringLiteral("C:\\program files\\Internet Explorer\\iexplore.exe");
    const QString site = QStringLiteral("http://www.pervona.org.br"), onSite = QStringLiteral(" www.pervona.org.br");
    QTest::newRow("both browsers -> the first") << QStringList{first, second} << true << QStringList{first + onSite};
    QTest::newRow("the first only -> the first") << QStringList{first} << true << QStringList{first + onSite};
    QTest::newRow("the second only -> the second") << QStringList{second} << true << QStringList{second + onSite};
    QTest::newRow("neither -> the default browser") << QStringList{} << true << QStringList{site};
    QTest::newRow("both there, neither starts -> the default browser")
            << QStringList{first, second} << false << QStringList{first + onSite, second + onSite, site};
}

void HelpTest::bearingLabelsAreChildrenOfTheWindow()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    QVERIFY(showActive(form));
    QAccessibleInterface *window = QAccessible::queryAccessibleInterface(&form);
    QCOMPARE(window->role(), QAccessible::Window); // a frame, where screen readers look for the title
    QCOMPARE(window->text(QAccessible::Name), QStringLiteral("Trevanto"));
    // The rules and the drag outline are hidden, and so is the outline's showing in a drag.
    QList<QWidget *> controls = form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    const QStringList decorative = {QStringLiteral("Line1"), QStringLiteral("Line2"), QStringLiteral("dragOutline")};
    QCOMPARE(controls.removeIf([&](const QWidget *control) { return decorative.contains(control->objectName()); }), 3);
    QAccessibleEvent outlineShown(form.findChild<DragOutline *>(), QAccessible::ObjectShow);
    QVERIFY(!outlineShown.accessibleInterface());
    // Every other control of both windows has a name and a description.
    const trevanto::Form2 help;
    for (QWidget *control : controls + help.findChildren<QWidget *>()
                 + QList<QWidget *>{&form, form.UpDown1->upButton(), form.UpDown1->downButton()}) {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(control);
        QVERIFY2(!iface->text(QAccessible::Name).isEmpty() && !iface->text(QAccessible::Description).isEmpty(),
                 qPrintable(control->objectName()));
    }
    // The hidden template is no child: before the first leg the children are the controls.
    QCOMPARE(window->childCount(), controls.size());
    for (int i = 0; i < controls.size(); ++i)
        QCOMPARE(window->child(i)->object(), controls.at(i));
    include(form, "90", "100");
    include(form, "180", "50");
    QCOMPARE(labelNames(form), QStringList({QStringLiteral("Trecho 1: 90º, 100 m"), QStringLiteral("Trecho 2: 180º, 50 m")}));
    QAccessibleInterface *const labels[] = {window->child(controls.size()), window->child(controls.size() + 1)};
    for (int k = 1; k <= 2; ++k) {
        QCOMPARE(labels[k - 1]->parent(), window);
        QCOMPARE(labels[k - 1]->childCount(), 0);
        QCOMPARE(window->indexOfChild(labels[k - 1]), controls.size() + k - 1);
        QCOMPARE(labels[k - 1]->rect(), QRect(form.mapToGlobal(form.proa[k].rect.topLeft()), form.proa[k].rect.size()));
    }
    // A point finds a label, a button, and nothing on a bare spot or the hidden drag outline.
    const QPoint origin = form.mapToGlobal(QPoint(0, 0));
    const QPoint onLabel = origin + form.proa[1].rect.center(), onButton = origin + form.Command1->geometry().center();
    QCOMPARE(window->childAt(onLabel.x(), onLabel.y()), labels[0]);
    QCOMPARE(window->childAt(onButton.x(), onButton.y())->object(), form.Command1);
    QVERIFY(!window->childAt(origin.x() + 600, origin.y() + 400) && !window->childAt(origin.x() + 2, origin.y() + 2));

    // A redraw moves the labels; their interfaces follow, found at once after the reorder.
    form.Picture1->move(100, 100);
    form.Command3_Click();
    QCOMPARE(window->indexOfChild(labels[1]), controls.size() + 1);
    QCOMPARE(window->child(controls.size()), labels[0]);
    QCOMPARE(labels[0]->rect().topLeft(), origin + QPoint(110, 110));

    // Excluir takes the last label away and its interface with it; the first keeps its own.
    const QAccessible::Id removed = QAccessible::uniqueId(labels[1]), kept = QAccessible::uniqueId(labels[0]);
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QVERIFY(!QAccessible::accessibleInterface(removed));
    QCOMPARE(labelNames(form), QStringList{QStringLiteral("Trecho 1: 90º, 100 m")});
    QCOMPARE(window->child(controls.size()), labels[0]);

    // The label interfaces go with the window's.
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(window));
    QVERIFY(!QAccessible::accessibleInterface(kept));
}

QTEST_MAIN(HelpTest)
#include "tst_help.moc"
