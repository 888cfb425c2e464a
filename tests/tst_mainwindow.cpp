// The main window driven through its real widgets: what only the window decides — its
// layout and focus, the order of its messages, what lands on the surface, the drag of
// the start marker and the handlers' wiring. The rules themselves have their own suites.

#include "formfixture.h"
#include "locales.h"

#include "app/leglist.h"
#include "app/marker.h"
#include "app/translations.h"
#include "app/updown.h"

#include <QDialogButtonBox>
#include <QLibraryInfo>
#include <QListView>
#include <QMenu>
#include <QClipboard>
#include <QScrollBar>
#include <QSignalSpy>

using namespace trevanto;
using namespace Qt::StringLiterals;

namespace {

const QString NoScale = QStringLiteral("Informe a ESCALA para o desenho!");

// Gathers what a widget repaints.
struct PaintRecorder : QObject
{
    QRegion painted;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void startsAsDesigned();
    void includeRefusesOrKeepsTheText();
    void legsAreDrawnAndDeleted();
    void scaleIsRefusedOrStepped();
    void dropMovesTheMarker_data();
    void dropMovesTheMarker();
    void pastedLineBreaksReadAsSpaces();
    void listsFollowTheNewLeg();
    void qtTextsArePortuguese(); // last: Qt's texts stay Portuguese after it
};

void MainWindowTest::startsAsDesigned()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    QVERIFY(showActive(form));
    // Made at its designed size, 10000 x 8000 twips with the frame; the controls keep
    // their designed places whatever the window's size.
    QCOMPARE(form.frameGeometry().size(), QSize(667, 533));
    form.resize(900, 700);
    QStringList places;
    for (const char *name : {"List2", "List1", "Text4", "Text3", "Command1", "Command2", "Command3", "Command4",
                             "Command6", "Command5", "Text2", "Picture1", "Picture2", "UpDown1", "Image1", "Line1"}) {
        const QRect r = form.findChild<QWidget *>(QString::fromUtf8(name))->geometry();
        places << QStringLiteral("%1 %2,%3 %4x%5").arg(QString::fromUtf8(name)).arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    }
    QCOMPARE(places.join(u'|'), QStringLiteral(
        "List2 8,24 41x134|List1 56,24 49x134|Text4 8,160 41x19|Text3 56,160 49x19|Command1 8,184 97x17|"
        "Command2 8,200 97x17|Command3 8,216 97x17|Command4 8,232 97x17|Command6 8,248 97x17|Command5 8,264 97x17|"
        "Text2 48,292 37x19|Picture1 368,256 9x9|Picture2 8,416 35x68|UpDown1 83,292 16x19|Image1 8,320 94x94|"
        "Line1 112,48 297x1"));
    // The lists take no focus, so Tab walks from the bearing box round to it again.
    const QList<QWidget *> order = {form.Text4,    form.Text3,    form.Command1, form.Command2, form.Command3,
                                    form.Command4, form.Command6, form.Command5, form.Text2,    form.Text4};
    form.Text4->setFocus();
    for (qsizetype i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), order.at(i));
    }
    // Labels are opaque: a leg along the title's top row passes under it.
    form.Picture1->move(107, 19);
    include(form, "90", "50");
    QVERIFY(isBlack(form, 130, 24) && form.grab().toImage().pixelColor(130, 24) != Qt::black);
    // The logo shows the question-mark pointer and opens the site; the address written
    // on the window is no link.
    const QPointF onLogo(40, 40);
    QMouseEvent move(QEvent::MouseMove, onLogo, form.Image1->mapToGlobal(onLogo), Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(form.Image1, &move);
    QCOMPARE(form.Image1->cursor().shape(), Qt::WhatsThisCursor);
    QTest::mouseClick(form.Image1, Qt::LeftButton, {}, onLogo.toPoint());
    QTest::mouseClick(form.Label7, Qt::LeftButton);
    QCOMPARE(fixture.launcher.started, QStringList{QStringLiteral("http://www.pervona.org.br")});
}

void MainWindowTest::includeRefusesOrKeepsTheText()
{
    FormFixture fixture(Brazil);
    Form1 &form = *fixture.form;
    QVERIFY(showActive(form));
    // A refusal: one message, the focus in the box at fault, both boxes as typed. With
    // both empty only the bearing is looked at; a distance of 0,5 is 0.
    for (const auto &[bearing, distance, message, box] :
         {std::tuple{"", "", "Informe uma DIREÇÃO para incluir!", form.Text4},
          std::tuple{"90", "0,5", "Informe uma METRAGEM maior que zero para incluir!", form.Text3}}) {
        include(form, bearing, distance);
        QCOMPARE(fixture.messages.texts.takeFirst(), QString::fromUtf8(message));
        QVERIFY(fixture.messages.texts.isEmpty() && QApplication::focusWidget() == box);
        QCOMPARE(form.Text4->text() + u'|' + form.Text3->text(), QString::fromUtf8(bearing) + u'|' + QString::fromUtf8(distance));
        QVERIFY(form.distances().isEmpty() && form.bearings().isEmpty());
    }
    // Enter and Escape in a box press no button.
    form.Text4->setText(QStringLiteral(" -0,5 "));
    form.Text3->setText(QStringLiteral("0,6"));
    QSignalSpy clicked(form.Command1, &QPushButton::clicked);
    QTest::keyClick(form.Text4, Qt::Key_Return);
    QTest::keyClick(form.Text3, Qt::Key_Enter);
    QTest::keyClick(form.Text3, Qt::Key_Escape);
    QCOMPARE(clicked.count(), 0);
    QTest::mouseClick(form.Command1, Qt::LeftButton);
    include(form, " -0,5 ", "0,6");
    // Typed texts are kept as they are; nothing is de-duplicated; the list shows them;
    // the boxes are emptied, the course redrawn and the focus back in the bearing box.
    QCOMPARE(form.bearings() + form.distances(), (QStringList{u" -0,5 "_s, u" -0,5 "_s, u"0,6"_s, u"0,6"_s}));
    QCOMPARE(form.List2->model()->index(1, 0).data().toString(), QStringLiteral(" -0,5 "));
    QVERIFY(form.Text4->text().isEmpty() && form.Text3->text().isEmpty() && form.proa.size() == 3);
    QVERIFY(fixture.messages.texts.isEmpty() && QApplication::focusWidget() == form.Text4);
    // The lists only show the legs: a click on one selects nothing and takes no focus.
    const QModelIndex second = form.List2->model()->index(1, 0);
    QTest::mouseClick(form.List2->viewport(), Qt::LeftButton, {}, form.List2->visualRect(second).center());
    QVERIFY(!form.List2->selectionModel()->hasSelection() && QApplication::focusWidget() == form.Text4);

    // Even when the redraw refuses the scale, the leg stays and the focus ends in the bearing box.
    form.Text2->setText(QString());
    include(form, "10", "10");
    QCOMPARE(fixture.messages.texts, QStringList{NoScale});
    QVERIFY(QApplication::focusWidget() == form.Text4 && form.bearings().size() == 3);
}

void MainWindowTest::legsAreDrawnAndDeleted()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    const QColor background = form.palette().color(QPalette::Button);
    const auto filled = [&](QRect area, QColor colour) {
        QImage plain(form.surface().copy(area));
        plain.fill(colour);
        return form.surface().copy(area) == plain;
    };
    // Deleting from an empty course does nothing, not even a redraw that would report the scale.
    form.Text2->setText(QString());
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QVERIFY(fixture.messages.texts.isEmpty());
    form.Text2->setText(QStringLiteral("10"));

    // One leg: the line along y = 261 from the pen start, the finish target at its end
    // (black ring, green inside), no circle at the start, the label down and right.
    include(form, "90", "100");
    QCOMPARE(QPoint(form.lngPenX, form.lngPenY), QPoint(473, 261));
    QVERIFY(filled(QRect(373, 261, 95, 1), Qt::black) && filled(QRect(373, 262, 90, 1), background));
    QVERIFY(isBlack(form, 478, 261) && isBlack(form, 473, 256) && !isBlack(form, 373, 258));
    QVERIFY(pixel(form, 477, 261) == Green && pixel(form, 473, 261) == Green && pixel(form, 473, 258) == Green);
    const BearingLabel &label = form.proa[1];
    // Sized to its text: "90" in the window's 8-point font (Liberation Sans on the test
    // machines) is 12 pixels wide and high.
    QCOMPARE(label.rect, QRect(378, 266, 12, 12));
    QVERIFY(label.visible && label.text == QStringLiteral("90"));
    QVERIFY(pixel(form, 378, 266) == background && !filled(label.rect, background)); // opaque, with its text

    // Two legs: a turning-point circle at the corner, the second leg down from it, the
    // target at its end.
    include(form, "180", "50");
    QCOMPARE(form.proa.size(), std::size_t(3));
    QCOMPARE(form.proa[2].rect.topLeft(), QPoint(478, 266));
    QVERIFY(isBlack(form, 470, 261) && isBlack(form, 473, 258) && pixel(form, 473, 261) != Green);
    QVERIFY(filled(QRect(473, 262, 1, 44), Qt::black) && pixel(form, 473, 311) == Green);
    QCOMPARE(QPoint(form.lngPenX, form.lngPenY), QPoint(473, 311));

    // Excluir takes the last leg; the one left ends in the finish target again; the
    // empty course clears the plot, and its redraw is no error.
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QCOMPARE(form.bearings(), QStringList{QStringLiteral("90")});
    QCOMPARE(form.proa.size(), std::size_t(2));
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QTest::mouseClick(form.Command3, Qt::LeftButton);
    QVERIFY(fixture.messages.texts.isEmpty());
    QCOMPARE(form.proa.size(), std::size_t(1));
    QCOMPARE(QPoint(form.lngPenX, form.lngPenY), QPoint(373, 261));

    // Lists of unequal length, as an edited work file may leave them: only the legs both
    // hold are drawn, and Excluir takes from each list what it has.
    static_cast<LegList *>(form.List1->model())->appendAll({u"100"_s, u"100"_s, u"100"_s});
    static_cast<LegList *>(form.List2->model())->appendAll({u"90"_s});
    QTest::mouseClick(form.Command3, Qt::LeftButton);
    QCOMPARE(form.proa.size(), std::size_t(2));
    for (int click = 0; click < 2; ++click)
        QTest::mouseClick(form.Command2, Qt::LeftButton);
    QCOMPARE(form.distances().size() + form.List1->model()->rowCount() + form.bearings().size(), 4);
}

void MainWindowTest::scaleIsRefusedOrStepped()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    QVERIFY(showActive(form));
    include(form, "90", "10");
    // A refused scale: its message, the focus in the scale box, the plot untouched.
    const QImage before = form.surface();
    form.Picture1->move(100, 100);
    form.Text2->setText(QStringLiteral("0"));
    QTest::mouseClick(form.Command3, Qt::LeftButton);
    QCOMPARE(fixture.messages.texts.takeFirst(), NoScale);
    QVERIFY(QApplication::focusWidget() == form.Text2 && form.surface() == before);
    QCOMPARE(QPoint(form.lngPenX, form.proa.size()), QPoint(383, 2));
    // Every step redraws, also one that changes nothing.
    form.Picture1->move(368, 256);
    form.Text2->setText(QStringLiteral("10"));
    PaintRecorder recorder;
    form.installEventFilter(&recorder);
    QTest::mouseClick(form.UpDown1->downButton(), Qt::LeftButton);
    QCOMPARE(form.Text2->text(), QStringLiteral("9"));
    QCOMPARE(form.lngPenX, 382);
    QTRY_VERIFY(recorder.painted.contains(QPoint(380, 261))); // the window shows the new plot
    form.Text2->setText(QStringLiteral("100"));
    form.Picture1->move(100, 100);
    QTest::mouseClick(form.UpDown1->upButton(), Qt::LeftButton);
    QCOMPARE(form.Text2->text(), QStringLiteral("100"));
    QCOMPARE(QPoint(form.lngPenX, form.lngPenY), QPoint(205, 105));
    // Up and Down in the scale box work the arrows, a held key's repeats too.
    for (const auto &[code, repeat, scale] : {std::tuple{Qt::Key_Down, false, "99"}, std::tuple{Qt::Key_Down, true, "98"},
                                              std::tuple{Qt::Key_Up, false, "99"}}) {
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, QString(), repeat);
        QApplication::sendEvent(form.Text2, &press);
        QCOMPARE(form.Text2->text(), QString::fromLatin1(scale));
    }
    // A scale that is no number is left alone and the redraw reports it.
    form.Text2->setText(QStringLiteral("x"));
    QTest::mouseClick(form.UpDown1->downButton(), Qt::LeftButton);
    QCOMPARE(fixture.messages.texts, QStringList{QStringLiteral("Informe uma ESCALA válida para o desenho!")});
}

void MainWindowTest::dropMovesTheMarker_data()
{
    QTest::addColumn<QPoint>("grab");
    QTest::addColumn<QPoint>("drop");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("moves"); // only a drop on the window's own surface moves it
    QTest::newRow("left button, grabbed at the centre") << QPoint(4, 4) << QPoint(200, 400) << Qt::LeftButton << true;
    QTest::newRow("right button, grabbed at a corner") << QPoint(0, 8) << QPoint(500, 150) << Qt::RightButton << true;
    QTest::newRow("onto a rule of the header") << QPoint(2, 2) << QPoint(300, 48) << Qt::LeftButton << true;
    QTest::newRow("onto a plotted line") << QPoint(4, 4) << QPoint(420, 261) << Qt::MiddleButton << true;
    QTest::newRow("onto a list") << QPoint(4, 4) << QPoint(20, 60) << Qt::LeftButton << false;
    QTest::newRow("onto a static label") << QPoint(4, 4) << QPoint(130, 30) << Qt::LeftButton << false;
    QTest::newRow("onto a bearing label") << QPoint(4, 4) << QPoint(380, 268) << Qt::LeftButton << false;
    QTest::newRow("onto the marker itself") << QPoint(4, 4) << QPoint(372, 260) << Qt::LeftButton << false;
    QTest::newRow("outside the window") << QPoint(4, 4) << QPoint(-30, 200) << Qt::LeftButton << false;
}

void MainWindowTest::dropMovesTheMarker()
{
    QFETCH(QPoint, grab);
    QFETCH(QPoint, drop);
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, moves);
    FormFixture fixture;
    Form1 &form = *fixture.form;
    QVERIFY(showActive(form));
    include(form, "90", "100");
    // Pressed on the marker at `grab`, moved in steps that carry the button as a user's
    // drag does: an outline keeps the grab offset and the marker stays put.
    StartMarker *marker = form.Picture1;
    QTest::mousePress(marker, button, {}, grab);
    for (int step = 1; step <= 4; ++step) {
        const QPoint local = marker->mapFrom(&form, grab + QPoint(368, 256) + (drop - grab - QPoint(368, 256)) * step / 4);
        QMouseEvent move(QEvent::MouseMove, local, marker->mapToGlobal(local), Qt::NoButton, button, {});
        QApplication::sendEvent(marker, &move);
    }
    auto *outline = form.findChild<QWidget *>(QStringLiteral("dragOutline"));
    QVERIFY(outline && outline->isVisible());
    QCOMPARE(outline->geometry(), QRect(drop - grab, QSize(9, 9)));
    QCOMPARE(form.Picture1->pos(), QPoint(368, 256));
    if (!moves)
        form.Text2->setText(QStringLiteral("abc")); // a redraw would say so
    QTest::mouseRelease(form.Picture1, button, {}, form.Picture1->mapFrom(&form, drop));
    QVERIFY(!outline->isVisible() && fixture.messages.texts.isEmpty());
    // The marker's top-left corner lands on the pointer and the course follows it.
    QCOMPARE(form.Picture1->pos(), moves ? drop : QPoint(368, 256));
    QCOMPARE(form.lngPenX, (moves ? drop.x() : 368) + 105);
}

// A number pasted with its line break, or between tabs or other control characters,
// reads as one with spaces, and is kept so.
void MainWindowTest::pastedLineBreaksReadAsSpaces()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    QVERIFY(showActive(form));
    for (const auto &[box, pasted] : {std::pair(form.Text4, u"34\r\n"_s), std::pair(form.Text3, u"\t150\u0001\n"_s),
                                      std::pair(form.Text2, u"12\n"_s)}) {
        box->clear();
        QGuiApplication::clipboard()->setText(pasted);
        box->paste();
    }
    QCOMPARE(form.Text2->text(), u"12 "_s);
    QTest::mouseClick(form.Command1, Qt::LeftButton);
    QCOMPARE(fixture.messages.texts, QStringList());
    QCOMPARE(form.bearings(), QStringList{u"34  "_s});
    QCOMPARE(form.distances(), QStringList{u" 150  "_s});
}

// After Incluir both lists show the new leg, and they scroll together. A bearing wider
// than its list, once the scroll bar takes its share, shows its first digits, not "…".
void MainWindowTest::listsFollowTheNewLeg()
{
    FormFixture fixture(QLocale(QLocale::Portuguese, QLocale::Brazil));
    Form1 &form = *fixture.form;
    QVERIFY(showActive(form));
    for (int leg = 0; leg < 28; ++leg)
        include(form, "90", QByteArray::number(leg + 1).constData());
    include(form, "247", "1");
    include(form, "247,5", "1");
    for (QListView *list : {form.List1, form.List2}) {
        const QRect last = list->visualRect(list->model()->index(29, 0));
        QVERIFY(last.top() >= 0 && last.bottom() < list->viewport()->height()); // a wide text runs past the edge
    }
    QVERIFY(form.List2->verticalScrollBar()->isVisible());
    // "247,5" begins as "247" does, pixel for pixel.
    const QImage rows = form.List2->viewport()->grab().toImage();
    const int digits = form.List2->fontMetrics().horizontalAdvance(u"247"_s);
    const auto start = [&](int row) {
        const QRect rect = form.List2->visualRect(form.List2->model()->index(row, 0));
        return rows.copy(QRect(rect.topLeft(), QSize(digits + 2, rect.height())));
    };
    QCOMPARE(start(29), start(28));
    form.List1->verticalScrollBar()->setValue(3);
    QCOMPARE(form.List2->verticalScrollBar()->value(), 3);
    form.List2->verticalScrollBar()->setValue(0);
    QCOMPARE(form.List1->verticalScrollBar()->value(), 0);
}

void MainWindowTest::qtTextsArePortuguese()
{
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_pt_BR.qm")))
        QSKIP("Qt's Brazilian Portuguese translation is not installed (Debian package qt6-translations-l10n)");
    QVERIFY(installQtTranslations(*QCoreApplication::instance()));
    FormFixture fixture;
    const std::unique_ptr<QMenu> menu(fixture.form->Text4->createStandardContextMenu());
    QStringList texts;
    for (const QAction *action : menu->actions()) {
        if (!action->isSeparator())
            texts << action->text().section(u'\t', 0, 0);
    }
    QCOMPARE(texts.join(u'|'), QStringLiteral("&Desfazer|&Refazer|Recor&tar|&Copiar|C&olar|Excluir|Selecionar tudo"));
    const QDialogButtonBox buttons(QDialogButtonBox::Cancel);
    QCOMPARE(buttons.buttons().constFirst()->text(), QStringLiteral("Cancelar"));
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
