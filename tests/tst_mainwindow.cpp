// The main window driven through its real widgets: layout, include and delete, the
// redraw on the persistent surface, zoom steps and dragging the start marker.

#include "formfixture.h"

#include "app/marker.h"
#include "app/updown.h"
#include "course/legrules.h"

#include <QListView>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

using namespace trevanto;

namespace {

const QString NoScale = QStringLiteral("Informe a ESCALA para o desenho!");
const QString BadScale = QStringLiteral("Informe uma ESCALA válida para o desenho!");

// A window started from a work file that holds the bytes.
struct StartedFixture
{
    explicit StartedFixture(const QByteArray &bytes)
    {
        QFile file(dir.filePath(QStringLiteral("trevanto.ini")));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        file.close();
        fixture = std::make_unique<FormFixture>(QLocale::c(), WorkFileLocation{file.fileName(), QString()});
        fixture->form->Form_Load();
    }
    QTemporaryDir dir;
    std::unique_ptr<FormFixture> fixture;
};

// Presses on the marker at `grab` and moves through the window to `to` (window
// coordinates) in steps that carry the button, as a user's drag does.
void pressAndMove(Form1 &form, QPoint grab, QPoint to, Qt::MouseButton button = Qt::LeftButton)
{
    StartMarker *marker = form.Picture1;
    QTest::mousePress(marker, button, {}, grab);
    const QPoint start = marker->mapTo(&form, grab);
    for (int step = 1; step <= 4; ++step) {
        const QPoint local = marker->mapFrom(&form, start + (to - start) * step / 4);
        QMouseEvent move(QEvent::MouseMove, local, marker->mapToGlobal(local), Qt::NoButton, button, {});
        QApplication::sendEvent(marker, &move);
    }
}

void release(Form1 &form, QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseRelease(form.Picture1, button, {}, form.Picture1->mapFrom(&form, at));
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void controlsStandAtTheirPlaces_data() { addDesignedGeometryRows(); }
    void controlsStandAtTheirPlaces();
    void tabOrderFollowsTheDesign();
    void startUpGivesTheDesignedWindow();

    void includeRunsTheTestsInOrder_data();
    void includeRunsTheTestsInOrder();
    void includedLegKeepsItsText();
    void fullCourseRefusesAnotherLeg();
    void deleteToleratesUnequalLists();

    void legsAreDrawnAndDeleted();
    void labelsAreRecreatedAtEveryRedraw();
    void refusedScaleChangesNothing_data();
    void refusedScaleChangesNothing();
    void unusableLegStopsTheCourse();
    void scaleSteps_data();
    void scaleSteps();
    void everyStepRedraws();

    void dropMovesTheMarker_data();
    void dropMovesTheMarker();
    void dropOnAControlChangesNothing_data();
    void dropOnAControlChangesNothing();

    void printSendsTheClientArea();
    void logoOpensTheSite();
    void ajudaOpensTheHelpModal();
};

void MainWindowTest::controlsStandAtTheirPlaces()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    FormFixture fixture;
    auto *control = fixture.form->findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), geometry);
    // Nothing is laid out again when the window changes size.
    fixture.form->resize(900, 700);
    QCOMPARE(control->geometry(), geometry);
}

void MainWindowTest::tabOrderFollowsTheDesign()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    QVERIFY(showActive(form));
    // The lists take no focus, so the walk starts in the bearing box and comes back to it.
    const QList<QWidget *> expected = {form.Text4,    form.Text3,    form.Command1, form.Command2, form.Command3,
                                       form.Command4, form.Command6, form.Command5, form.Text2,    form.Text4};
    form.Text4->setFocus();
    for (qsizetype i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), expected.at(i));
    }
}

void MainWindowTest::startUpGivesTheDesignedWindow()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    form.Form_Load();
    QVERIFY(showActive(form));
    QCOMPARE(form.frameGeometry(), QRect(33, 33, 667, 533));
    QCOMPARE(form.Text2->text(), QStringLiteral("10"));
    QCOMPARE(form.proa.size(), std::size_t(1));
    QVERIFY(!form.proa[0].visible);
    QVERIFY(fixture.messages.texts.isEmpty());
    // Nothing drawn: the surface is plain background.
    QCOMPARE(pixel(form, 373, 261), form.palette().color(QPalette::Button));
}

void MainWindowTest::includeRunsTheTestsInOrder_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("bearing");
    QTest::addColumn<QString>("distance");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");

    // The window shows the first refusal and puts the focus in its box; the user's locale
    // decides what reads as a number. No message: the leg is accepted.
    const QLocale c = QLocale::c(), brazil(QLocale::Portuguese, QLocale::Brazil);
    const QString notValid = QStringLiteral("Informe uma DIREÇÃO válida para incluir!");
    QTest::newRow("both empty: only the bearing is looked at")
            << c << "" << "" << QStringLiteral("Informe uma DIREÇÃO para incluir!") << "Text4";
    QTest::newRow("bearing 359.5 -> 360")
            << c << "359.5" << "100" << QStringLiteral("Informe uma DIREÇÃO entre 0\u00BA e 359\u00BA para incluir!")
            << "Text4";
    QTest::newRow("distance 0.5 -> 0")
            << c << "90" << "0.5" << QStringLiteral("Informe uma METRAGEM maior que zero para incluir!") << "Text3";
    QTest::newRow("pt_BR: -0,5 -> 0 and 0,6 -> 1 accepted") << brazil << "-0,5" << "0,6" << "" << "Text4";
    QTest::newRow("pt_BR: 359.4 is not a number") << brazil << "359.4" << "10" << notValid << "Text4";
    QTest::newRow("C: 359,4 is not a number") << c << "359,4" << "10" << notValid << "Text4";
}

void MainWindowTest::includeRunsTheTestsInOrder()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, bearing);
    QFETCH(QString, distance);
    QFETCH(QString, message);
    QFETCH(QString, focus);

    FormFixture fixture(locale);
    Form1 &form = *fixture.form;
    QVERIFY(showActive(form));
    include(form, bearing, distance);
    QCOMPARE(fixture.messages.texts.join(u'\n'), message);
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    // A refused leg changes nothing: both boxes keep their texts, the lists stay empty.
    const bool accepted = message.isEmpty();
    QCOMPARE(form.Text4->text(), accepted ? QString() : bearing);
    QCOMPARE(form.Text3->text(), accepted ? QString() : distance);
    QCOMPARE(form.distances().size() + form.bearings().size(), accepted ? 2 : 0);
}

void MainWindowTest::includedLegKeepsItsText()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    QVERIFY(showActive(form));
    // Enter and Escape in a box press no button.
    form.Text4->setText(QStringLiteral(" 45 "));
    form.Text3->setText(QStringLiteral("120"));
    QSignalSpy clicked(form.Command1, &QPushButton::clicked);
    QTest::keyClick(form.Text4, Qt::Key_Return);
    QTest::keyClick(form.Text3, Qt::Key_Enter);
    QTest::keyClick(form.Text3, Qt::Key_Escape);
    QCOMPARE(clicked.count(), 0);
    QCOMPARE(form.bearings().size(), 0);

    QTest::mouseClick(form.Command1, Qt::LeftButton);
    include(form, " 45 ", "120");
    QVERIFY(fixture.messages.texts.isEmpty());
    // Typed texts are kept as they are, spaces included; nothing is de-duplicated.
    QCOMPARE(form.bearings(), (QStringList{QStringLiteral(" 45 "), QStringLiteral(" 45 ")}));
    QCOMPARE(form.distances(), (QStringList{QStringLiteral("120"), QStringLiteral("120")}));
    QCOMPARE(form.List2->model()->rowCount(), 2);
    QVERIFY(form.Text4->text().isEmpty() && form.Text3->text().isEmpty());
    QCOMPARE(QApplication::focusWidget(), form.Text4);
    QCOMPARE(form.proa.size(), std::size_t(3)); // redrawn

    // Even when the redraw refuses the scale, the leg stays and the focus ends in the bearing box.
    form.Text2->setText(QString());
    include(form, "10", "10");
    QCOMPARE(fixture.messages.texts, QStringList{NoScale});
    QCOMPARE(QApplication::focusWidget(), form.Text4);
    QCOMPARE(form.bearings().size(), 3);
}

void MainWindowTest::fullCourseRefusesAnotherLeg()
{
    StartedFixture started("DIR=" + QByteArray("1;").repeated(MaxLegs) + "\r\nMET="
                           + QByteArray("90;").repeated(MaxLegs) + "\r\n");
    Form1 &form = *started.fixture->form;
    QCOMPARE(form.distances().size(), MaxLegs);
    include(form, "90", "1");
    const QStringList &texts = started.fixture->messages.texts;
    QCOMPARE(texts.size(), 1);
    QVERIFY(texts.first().contains(QStringLiteral("32767")));
    QCOMPARE(form.distances().size(), MaxLegs);
    QCOMPARE(form.Text4->text(), QStringLiteral("90"));
}

void MainWindowTest::deleteToleratesUnequalLists()
{
    StartedFixture started("DIR=100;100;100;\r\nMET=90;\r\n");
    Form1 &form = *started.fixture->form;
    // Only the legs both lists hold are drawn; Excluir takes from each list what it has.
    QCOMPARE(form.proa.size(), std::size_t(2));
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QCOMPARE(form.distances().size(), 2);
    QCOMPARE(form.bearings().size(), 0);
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QCOMPARE(form.distances().size(), 2);
}

void MainWindowTest::legsAreDrawnAndDeleted()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    const QColor background = form.palette().color(QPalette::Button);
    // Deleting from an empty course does nothing, not even a redraw that would report the scale.
    form.Text2->setText(QString());
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QVERIFY(fixture.messages.texts.isEmpty());
    form.Text2->setText(QStringLiteral("10"));

    include(form, "90", "100");
    QCOMPARE(QPoint(form.lngPenX, form.lngPenY), QPoint(473, 261));
    // The line from the pen start along y = 261, one pixel thick; the marker covers its
    // start on screen, not on the surface.
    for (int x = 373; x <= 467; ++x)
        QVERIFY2(isBlack(form, x, 261), qPrintable(QString::number(x)));
    QVERIFY(!isBlack(form, 420, 260) && !isBlack(form, 420, 262));
    // The finish target: a black ring of radius 5 around green rings down to the centre;
    // no turning-point circle at the start.
    QVERIFY(isBlack(form, 478, 261) && isBlack(form, 473, 256) && isBlack(form, 473, 266));
    for (const QPoint inside : {QPoint(477, 261), QPoint(473, 261), QPoint(473, 258)})
        QCOMPARE(pixel(form, inside.x(), inside.y()), Green);
    QVERIFY(!isBlack(form, 373, 258));
    // The label: opaque, above the plot, its corner background and holding dark text.
    QCOMPARE(form.proa.size(), std::size_t(2));
    const BearingLabel &label = form.proa[1];
    QVERIFY(label.visible);
    QCOMPARE(label.text, QStringLiteral("90"));
    const QFontMetrics metrics(form.font());
    QCOMPARE(label.rect, QRect(QPoint(378, 266), QSize(metrics.horizontalAdvance(label.text), metrics.height())));
    const QImage labelImage = form.surface().copy(label.rect);
    QCOMPARE(labelImage.pixelColor(0, 0), background);
    bool hasText = false;
    for (int y = 0; y < labelImage.height(); ++y)
        for (int x = 0; x < labelImage.width(); ++x)
            hasText = hasText || labelImage.pixelColor(x, y).lightness() < 100;
    QVERIFY(hasText);

    include(form, "180", "50");
    QCOMPARE(form.proa.size(), std::size_t(3));
    QCOMPARE(form.proa[1].rect.topLeft(), QPoint(378, 266));
    QCOMPARE(form.proa[2].rect.topLeft(), QPoint(478, 266));
    QCOMPARE(form.proa[2].text, QStringLiteral("180"));
    // A black turning-point circle of radius 3 at the corner, the second leg drawn down
    // from it, the finish target at its end.
    QVERIFY(isBlack(form, 470, 261) && isBlack(form, 473, 258));
    QVERIFY(pixel(form, 473, 261) != Green);
    for (int y = 262; y <= 305; ++y)
        QVERIFY2(isBlack(form, 473, y), qPrintable(QString::number(y)));
    QVERIFY(isBlack(form, 478, 311));
    QCOMPARE(pixel(form, 473, 311), Green);
    QCOMPARE(QPoint(form.lngPenX, form.lngPenY), QPoint(473, 311));

    // Excluir takes the last leg; the one left ends in the finish target again.
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QCOMPARE(form.bearings(), QStringList{QStringLiteral("90")});
    QCOMPARE(form.distances(), QStringList{QStringLiteral("100")});
    QCOMPARE(form.proa.size(), std::size_t(2));
    QCOMPARE(pixel(form, 473, 261), Green);
    QVERIFY(!isBlack(form, 473, 300));

    // The empty course clears the plot; a redraw of it is no error.
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QTest::mouseClick(form.Command3, Qt::LeftButton);
    QVERIFY(fixture.messages.texts.isEmpty());
    QCOMPARE(form.proa.size(), std::size_t(1));
    for (int x = 360; x <= 490; ++x)
        QCOMPARE(pixel(form, x, 261), background);
    QCOMPARE(QPoint(form.lngPenX, form.lngPenY), QPoint(373, 261));
}

void MainWindowTest::labelsAreRecreatedAtEveryRedraw()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    for (int i = 0; i < 5; ++i)
        include(form, QString::number(i * 70), QStringLiteral("30"));
    QCOMPARE(form.proa.size(), std::size_t(6));
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(form.Command2, Qt::LeftButton);
    QCOMPARE(form.proa.size(), std::size_t(3));
    QCOMPARE(form.proa[1].text, QStringLiteral("0"));
    QCOMPARE(form.proa[2].text, QStringLiteral("70"));
}

void MainWindowTest::refusedScaleChangesNothing_data()
{
    QTest::addColumn<QString>("scale");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << "" << NoScale;
    QTest::newRow("spaces") << "   " << NoScale;
    QTest::newRow("letters") << "abc" << BadScale;
    QTest::newRow("zero") << "0" << NoScale;
    QTest::newRow("zero with a fraction") << "0.0" << NoScale;
}

void MainWindowTest::refusedScaleChangesNothing()
{
    QFETCH(QString, scale);
    QFETCH(QString, message);
    FormFixture fixture;
    Form1 &form = *fixture.form;
    QVERIFY(showActive(form));
    include(form, "90", "100");
    const QImage before = form.surface();
    form.Picture1->move(100, 100);
    form.Text2->setText(scale);
    QTest::mouseClick(form.Command3, Qt::LeftButton);
    QCOMPARE(fixture.messages.texts, QStringList{message});
    QCOMPARE(QApplication::focusWidget(), form.Text2);
    QCOMPARE(form.surface(), before);
    QCOMPARE(form.proa.size(), std::size_t(2));
    QCOMPARE(form.lngPenX, 473);
}

void MainWindowTest::unusableLegStopsTheCourse()
{
    // The second leg's distance is no number: the course ends with the first leg.
    StartedFixture started("DIR=100;abc;100;\r\nMET=90;90;90;\r\n");
    Form1 &form = *started.fixture->form;
    QCOMPARE(form.proa.size(), std::size_t(2));
    QCOMPARE(form.lngPenX, 473);
    QCOMPARE(pixel(form, 473, 261), Green);

    // A negative scale turns the legs round.
    FormFixture turned;
    Form1 &other = *turned.form;
    other.Text2->setText(QStringLiteral("-10"));
    include(other, "90", "100");
    QVERIFY(turned.messages.texts.isEmpty());
    QCOMPARE(QPoint(other.lngPenX, other.lngPenY), QPoint(273, 261));
    QVERIFY(isBlack(other, 300, 261));
    QCOMPARE(pixel(other, 273, 261), Green);
    // A leg whose end leaves the 32-bit range is not drawn, nor anything after it.
    include(other, "90", "2147483647");
    include(other, "90", "1");
    other.Text2->setText(QStringLiteral("100"));
    QTest::mouseClick(other.Command3, Qt::LeftButton);
    QCOMPARE(other.proa.size(), std::size_t(2));
    QCOMPARE(other.lngPenX, 1373);
}

void MainWindowTest::scaleSteps_data()
{
    QTest::addColumn<QString>("scale");
    QTest::addColumn<QString>("afterDown");
    QTest::addColumn<QString>("afterUp");

    QTest::newRow("10") << "10" << "9" << "11";
    QTest::newRow("1 stops going down") << "1" << "1" << "2";
    QTest::newRow("100 stops going up") << "100" << "99" << "100";
    QTest::newRow("150 comes back down only") << "150" << "149" << "150";
    QTest::newRow("0 comes back up only") << "0" << "0" << "1";
    QTest::newRow("-3 comes back up only") << "-3" << "-3" << "-2";
    QTest::newRow("2.5 is taken as 2") << "2.5" << "1" << "3";
    QTest::newRow("3.5 is taken as 4") << "3.5" << "3" << "5";
    QTest::newRow("0.4 is taken as 0") << "0.4" << "0.4" << "1";
    QTest::newRow("099 loses its zero") << "099" << "98" << "100";
}

void MainWindowTest::scaleSteps()
{
    QFETCH(QString, scale);
    QFETCH(QString, afterDown);
    QFETCH(QString, afterUp);

    FormFixture fixture;
    Form1 &form = *fixture.form;
    form.Text2->setText(scale);
    QTest::mouseClick(form.UpDown1->downButton(), Qt::LeftButton);
    QCOMPARE(form.Text2->text(), afterDown);
    form.Text2->setText(scale);
    QTest::mouseClick(form.UpDown1->upButton(), Qt::LeftButton);
    QCOMPARE(form.Text2->text(), afterUp);
}

void MainWindowTest::everyStepRedraws()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    // Held down, an arrow repeats its step.
    QVERIFY(form.UpDown1->upButton()->autoRepeat() && form.UpDown1->downButton()->autoRepeat());
    form.Text2->setText(QStringLiteral("100"));
    include(form, "90", "10");
    QCOMPARE(form.lngPenX, 473);
    // The marker moved without a redraw; a step that changes nothing still redraws.
    form.Picture1->move(100, 100);
    QTest::mouseClick(form.UpDown1->upButton(), Qt::LeftButton);
    QCOMPARE(form.Text2->text(), QStringLiteral("100"));
    QCOMPARE(QPoint(form.lngPenX, form.lngPenY), QPoint(205, 105));

    // A scale that is no number is left alone and the redraw reports it.
    form.Text2->setText(QStringLiteral("x"));
    QTest::mouseClick(form.UpDown1->downButton(), Qt::LeftButton);
    QCOMPARE(fixture.messages.texts, QStringList{BadScale});
}

void MainWindowTest::dropMovesTheMarker_data()
{
    QTest::addColumn<QPoint>("grab");
    QTest::addColumn<QPoint>("drop");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("left button, grabbed at the centre") << QPoint(4, 4) << QPoint(200, 400) << Qt::LeftButton;
    QTest::newRow("right button, grabbed at a corner") << QPoint(0, 8) << QPoint(500, 150) << Qt::RightButton;
    QTest::newRow("onto a rule of the header") << QPoint(2, 2) << QPoint(300, 48) << Qt::LeftButton;
    QTest::newRow("onto a plotted line") << QPoint(4, 4) << QPoint(420, 261) << Qt::MiddleButton;
}

void MainWindowTest::dropMovesTheMarker()
{
    QFETCH(QPoint, grab);
    QFETCH(QPoint, drop);
    QFETCH(Qt::MouseButton, button);

    FormFixture fixture;
    Form1 &form = *fixture.form;
    QVERIFY(showActive(form));
    include(form, "90", "100");
    pressAndMove(form, grab, drop, button);
    // While dragging, an outline keeps the grab offset and the marker stays put.
    auto *outline = form.findChild<QWidget *>(QStringLiteral("dragOutline"));
    QVERIFY(outline && outline->isVisible());
    QCOMPARE(outline->geometry(), QRect(drop - grab, QSize(9, 9)));
    QCOMPARE(form.Picture1->pos(), QPoint(368, 256));
    release(form, drop, button);
    QVERIFY(!outline->isVisible());
    // The marker's top-left corner lands on the pointer, wherever it was grabbed, and the
    // course is drawn again from there.
    QCOMPARE(form.Picture1->pos(), drop);
    QCOMPARE(form.proa[1].rect.topLeft(), drop + QPoint(10, 10));
    QVERIFY(isBlack(form, drop.x() + 6, drop.y() + 5));
    QCOMPARE(form.lngPenX, drop.x() + 105);
}

void MainWindowTest::dropOnAControlChangesNothing_data()
{
    QTest::addColumn<QPoint>("drop");
    QTest::newRow("a list") << QPoint(20, 60);
    QTest::newRow("a static label") << QPoint(130, 30);
    QTest::newRow("a bearing label of the plot") << QPoint(380, 268);
    QTest::newRow("the marker itself") << QPoint(372, 260);
    QTest::newRow("outside the window") << QPoint(-30, 200);
}

void MainWindowTest::dropOnAControlChangesNothing()
{
    QFETCH(QPoint, drop);
    FormFixture fixture;
    Form1 &form = *fixture.form;
    QVERIFY(showActive(form));
    include(form, "90", "100");
    // A redraw would show: the scale is refused from now on.
    form.Text2->setText(QStringLiteral("abc"));
    pressAndMove(form, QPoint(4, 4), drop);
    release(form, drop);
    QCOMPARE(form.Picture1->pos(), QPoint(368, 256));
    QVERIFY(fixture.messages.texts.isEmpty());
}

void MainWindowTest::printSendsTheClientArea()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    QVERIFY(showActive(form));
    include(form, "90", "100");
    QTest::mouseClick(form.Command4, Qt::LeftButton);
    QCOMPARE(fixture.printer.pages.size(), 1);
    const QImage page = fixture.printer.pages.first();
    QCOMPARE(page.deviceIndependentSize().toSize(), form.size());
    // The plot and the controls are both on the page; the course is untouched.
    QCOMPARE(page.pixelColor(420, 261), QColor(Qt::black));
    QCOMPARE(page.pixelColor(372, 260), QColor(255, 0, 0));
    QVERIFY(fixture.messages.texts.isEmpty());
    QCOMPARE(form.bearings().size(), 1);

    // A page that went into a PDF instead is reported with the file's path.
    fixture.printer.outcome = PrintOutcome{PrintOutcome::SavedAsPdf, QStringLiteral("/home/u/Documents/T.pdf")};
    QTest::mouseClick(form.Command4, Qt::LeftButton);
    QCOMPARE(fixture.messages.texts.size(), 1);
    QVERIFY(fixture.messages.texts.first().contains(QStringLiteral("/home/u/Documents/T.pdf")));
}

void MainWindowTest::logoOpensTheSite()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    QVERIFY(showActive(form));
    const QPointF onLogo(40, 40);
    QMouseEvent move(QEvent::MouseMove, onLogo, form.Image1->mapToGlobal(onLogo), Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(form.Image1, &move);
    QCOMPARE(form.Image1->cursor().shape(), Qt::WhatsThisCursor);
    QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
    QTest::mouseClick(form.Image1, Qt::LeftButton, {}, onLogo.toPoint());
    QCOMPARE(fixture.launcher.started, QStringList{QStringLiteral("http://www.pervona.org.br")});
    // The address written on the window is no link.
    QTest::mouseClick(form.Label7, Qt::LeftButton);
    QCOMPARE(fixture.launcher.started.size(), 1);
}

void MainWindowTest::ajudaOpensTheHelpModal()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    QVERIFY(showActive(form));
    include(form, "90", "100");
    const QImage plot = form.surface();

    for (int round = 0; round < 2; ++round) {
        QString title;
        bool modal = false;
        QPointer<QWidget> seen;
        QTimer::singleShot(0, [&] {
            QWidget *help = QApplication::activeModalWidget();
            if (!help)
                return;
            seen = help;
            title = help->windowTitle();
            modal = help->isModal() && help->windowModality() == Qt::ApplicationModal;
            // While it is open the main window still repaints from its surface.
            form.repaint();
            help->close();
        });
        QTest::mouseClick(form.Command6, Qt::LeftButton);
        QCOMPARE(title, QStringLiteral("Ajuda"));
        QVERIFY(modal);
        // Closed means destroyed: every Ajuda... makes a new window.
        QVERIFY(seen.isNull());
    }
    QCOMPARE(form.surface(), plot);
    QCOMPARE(form.bearings().size(), 1);
    QVERIFY(fixture.messages.texts.isEmpty());
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
