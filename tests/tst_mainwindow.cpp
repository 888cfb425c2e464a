// The main window driven through its real widgets: layout, include and delete, the
// redraw on the persistent surface, zoom steps and dragging the start marker.

#include "formfixture.h"

#include "app/marker.h"
#include "app/updown.h"
#include "course/legrules.h"

#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace trevanto;

namespace {

const QColor Green(0, 192, 0);

QColor pixel(const Form1 &form, int x, int y)
{
    return form.surface().pixelColor(x, y);
}

bool isBlack(const Form1 &form, int x, int y)
{
    return pixel(form, x, y) == QColor(Qt::black);
}

bool isGreen(const Form1 &form, int x, int y)
{
    return pixel(form, x, y) == Green;
}

// Fills the two entry boxes and presses Incluir with the mouse.
void include(Form1 &form, const QString &bearing, const QString &distance)
{
    form.Text4->setText(bearing);
    form.Text3->setText(distance);
    QTest::mouseClick(form.Command1, Qt::LeftButton);
}

// Presses on the marker at `grab`, moves through the window and releases at `drop`
// (window coordinates), as a user's drag does.
void drag(Form1 &form, QPoint grab, QPoint drop, Qt::MouseButton button = Qt::LeftButton)
{
    StartMarker *marker = form.Picture1;
    QTest::mousePress(marker, button, {}, grab);
    const QPoint start = marker->mapTo(&form, grab);
    for (int step = 1; step <= 4; ++step) {
        const QPoint at = start + (drop - start) * step / 4;
        const QPoint local = marker->mapFrom(&form, at);
        QMouseEvent move(QEvent::MouseMove, local, marker->mapToGlobal(local), Qt::NoButton, button, {});
        QApplication::sendEvent(marker, &move);
    }
    QTest::mouseRelease(marker, button, {}, marker->mapFrom(&form, drop));
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void controlsStandAtTheirPlaces_data();
    void controlsStandAtTheirPlaces();
    void tabOrderFollowsTheDesign();
    void startUpGivesTheDesignedWindow();
    void labelsAreOpaqueAndSizedToTheirText();

    void includeRunsTheTestsInOrder_data();
    void includeRunsTheTestsInOrder();
    void includeUnderTheUsersLocale_data();
    void includeUnderTheUsersLocale();
    void includedLegKeepsItsTextAndEmptiesTheBoxes();
    void enterInABoxIncludesNothing();
    void fullCourseRefusesAnotherLeg();
    void deleteRemovesTheLastLeg();
    void deleteToleratesUnequalLists();

    void oneLegIsDrawn();
    void twoLegsAreDrawn();
    void emptyCourseClearsThePlot();
    void labelsAreRecreatedAtEveryRedraw();
    void refusedScaleChangesNothing_data();
    void refusedScaleChangesNothing();
    void negativeScaleReversesTheLegs();
    void unusableLegStopsTheCourse();

    void scaleSteps_data();
    void scaleSteps();
    void everyStepRedraws();

    void dropMovesTheMarker_data();
    void dropMovesTheMarker();
    void dropOnAControlChangesNothing_data();
    void dropOnAControlChangesNothing();
    void outlineFollowsThePointer();

    void printSendsTheClientArea();
    void printFallbackIsReported();
    void logoOpensTheSite();
    void ajudaOpensTheHelpModal();
};

void MainWindowTest::controlsStandAtTheirPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");

    QTest::newRow("List2") << "List2" << QRect(8, 24, 41, 134);
    QTest::newRow("List1") << "List1" << QRect(56, 24, 49, 134);
    QTest::newRow("Text4") << "Text4" << QRect(8, 160, 41, 19);
    QTest::newRow("Text3") << "Text3" << QRect(56, 160, 49, 19);
    QTest::newRow("Command1") << "Command1" << QRect(8, 184, 97, 17);
    QTest::newRow("Command2") << "Command2" << QRect(8, 200, 97, 17);
    QTest::newRow("Command3") << "Command3" << QRect(8, 216, 97, 17);
    QTest::newRow("Command4") << "Command4" << QRect(8, 232, 97, 17);
    QTest::newRow("Command6") << "Command6" << QRect(8, 248, 97, 17);
    QTest::newRow("Command5") << "Command5" << QRect(8, 264, 97, 17);
    QTest::newRow("Text2") << "Text2" << QRect(48, 292, 37, 19);
    QTest::newRow("Picture1") << "Picture1" << QRect(368, 256, 9, 9);
    QTest::newRow("Picture2") << "Picture2" << QRect(8, 416, 35, 68);
    QTest::newRow("UpDown1") << "UpDown1" << QRect(83, 292, 16, 19);
    QTest::newRow("Image1") << "Image1" << QRect(8, 320, 94, 94);
    QTest::newRow("Line1") << "Line1" << QRect(112, 48, 297, 1);
    QTest::newRow("Line2") << "Line2" << QRect(112, 92, 297, 1);
}

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
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    // The lists take no focus, so the walk starts in the bearing box.
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
    QCOMPARE(form.widthTwips(), 10000.0f);
    QCOMPARE(form.heightTwips(), 8000.0f);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.frameGeometry().topLeft(), QPoint(33, 33));
    QCOMPARE(form.frameGeometry().size(), QSize(667, 533));
    QCOMPARE(form.Text2->text(), QStringLiteral("10"));
    QCOMPARE(form.distances().size(), 0);
    QCOMPARE(form.proa.size(), std::size_t(1));
    QVERIFY(!form.proa[0].visible);
    QVERIFY(fixture.messages.texts.isEmpty());
    // Nothing drawn: the surface is plain background.
    QCOMPARE(pixel(form, 373, 261), form.palette().color(QPalette::Button));
}

void MainWindowTest::labelsAreOpaqueAndSizedToTheirText()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    for (QLabel *label : {form.Label1, form.Label3, form.Label4, form.Label5, form.Label6, form.Label7, form.Label8}) {
        QVERIFY2(label->autoFillBackground(), qPrintable(label->objectName()));
        const QFontMetrics metrics(label->font());
        QCOMPARE(label->height(), metrics.height());
        QVERIFY(label->width() >= metrics.horizontalAdvance(label->text()));
    }
    QCOMPARE(form.Label1->text(), QStringLiteral("Zoom: "));
    QCOMPARE(form.Label8->text(), QStringLiteral("help: (msn) suporte@pervona.org.br"));
    QCOMPARE(form.Label5->font().pointSizeF(), 14.25);
    QCOMPARE(form.Label7->font().pointSizeF(), 9.75);
}

void MainWindowTest::includeRunsTheTestsInOrder_data()
{
    QTest::addColumn<QString>("bearing");
    QTest::addColumn<QString>("distance");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");

    const QString m1 = QStringLiteral("Informe uma DIREÇÃO para incluir!");
    const QString m2 = QStringLiteral("Informe uma DIREÇÃO válida para incluir!");
    const QString m3 = QStringLiteral("Informe uma DIREÇÃO entre 0\u00BA e 359\u00BA para incluir!");
    const QString m4 = QStringLiteral("Informe uma METRAGEM para incluir!");
    const QString m5 = QStringLiteral("Informe uma METRAGEM válida para incluir!");
    const QString m6 = QStringLiteral("Informe uma METRAGEM maior que zero para incluir!");

    QTest::newRow("both empty: only the bearing is looked at") << "" << "" << m1 << "Text4";
    QTest::newRow("bearing of spaces") << "   " << "100" << m1 << "Text4";
    QTest::newRow("bearing of letters") << "abc" << "" << m2 << "Text4";
    QTest::newRow("bearing 360") << "360" << "100" << m3 << "Text4";
    QTest::newRow("bearing -1") << "-1" << "100" << m3 << "Text4";
    QTest::newRow("bearing 359.5 -> 360") << "359.5" << "100" << m3 << "Text4";
    QTest::newRow("bearing beyond 32 bits") << "99999999999" << "100" << m3 << "Text4";
    QTest::newRow("distance empty") << "90" << "" << m4 << "Text3";
    QTest::newRow("distance of letters") << "90" << "x1" << m5 << "Text3";
    QTest::newRow("distance negative") << "90" << "-5" << m6 << "Text3";
    QTest::newRow("distance 0.4") << "90" << "0.4" << m6 << "Text3";
    QTest::newRow("distance 0.5 -> 0") << "90" << "0.5" << m6 << "Text3";
    QTest::newRow("distance beyond 32 bits")
        << "90" << "3000000000" << QStringLiteral("Informe uma METRAGEM de no máximo 2147483647 para incluir!")
        << "Text3";
}

void MainWindowTest::includeRunsTheTestsInOrder()
{
    QFETCH(QString, bearing);
    QFETCH(QString, distance);
    QFETCH(QString, message);
    QFETCH(QString, focus);

    FormFixture fixture;
    Form1 &form = *fixture.form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    include(form, bearing, distance);

    QCOMPARE(fixture.messages.texts, QStringList{message});
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    // A refused leg changes nothing: both boxes keep their texts, the lists stay empty.
    QCOMPARE(form.Text4->text(), bearing);
    QCOMPARE(form.Text3->text(), distance);
    QCOMPARE(form.distances().size(), 0);
    QCOMPARE(form.bearings().size(), 0);
}

void MainWindowTest::includeUnderTheUsersLocale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("bearing");
    QTest::addColumn<QString>("distance");
    QTest::addColumn<bool>("accepted");

    const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    QTest::newRow("pt_BR: 359,4 accepted") << brazil << "359,4" << "10" << true;
    QTest::newRow("pt_BR: 359.4 is not a number") << brazil << "359.4" << "10" << false;
    QTest::newRow("pt_BR: -0,5 -> 0 accepted") << brazil << "-0,5" << "0,6" << true;
    QTest::newRow("C: 359.4 accepted") << QLocale::c() << "359.4" << "10" << true;
    QTest::newRow("C: 359,4 is not a number") << QLocale::c() << "359,4" << "10" << false;
}

void MainWindowTest::includeUnderTheUsersLocale()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, bearing);
    QFETCH(QString, distance);
    QFETCH(bool, accepted);

    FormFixture fixture(locale);
    include(*fixture.form, bearing, distance);
    QCOMPARE(fixture.messages.texts.isEmpty(), accepted);
    QCOMPARE(fixture.form->bearings().size(), accepted ? 1 : 0);
}

void MainWindowTest::includedLegKeepsItsTextAndEmptiesTheBoxes()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    include(form, QStringLiteral(" 45 "), QStringLiteral("120"));
    include(form, QStringLiteral(" 45 "), QStringLiteral("120"));
    QVERIFY(fixture.messages.texts.isEmpty());
    // Typed texts are kept as they are, spaces included; nothing is de-duplicated.
    QCOMPARE(form.bearings(), (QStringList{QStringLiteral(" 45 "), QStringLiteral(" 45 ")}));
    QCOMPARE(form.distances(), (QStringList{QStringLiteral("120"), QStringLiteral("120")}));
    QCOMPARE(form.List2->model()->rowCount(), 2);
    QVERIFY(form.Text4->text().isEmpty());
    QVERIFY(form.Text3->text().isEmpty());
    QCOMPARE(QApplication::focusWidget(), form.Text4);
    QCOMPARE(form.proa.size(), std::size_t(3)); // redrawn

    // Even when the redraw refuses the scale, the focus ends in the bearing box.
    form.Text2->setText(QString());
    include(form, QStringLiteral("10"), QStringLiteral("10"));
    QCOMPARE(fixture.messages.texts, QStringList{QStringLiteral("Informe a ESCALA para o desenho!")});
    QCOMPARE(QApplication::focusWidget(), form.Text4);
    QCOMPARE(form.bearings().size(), 3);
}

void MainWindowTest::enterInABoxIncludesNothing()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.Text4->setText(QStringLiteral("90"));
    form.Text3->setText(QStringLiteral("100"));
    QSignalSpy clicked(form.Command1, &QPushButton::clicked);
    QTest::keyClick(form.Text4, Qt::Key_Return);
    QTest::keyClick(form.Text3, Qt::Key_Enter);
    QTest::keyClick(form.Text3, Qt::Key_Escape);
    QCOMPARE(clicked.count(), 0);
    QCOMPARE(form.bearings().size(), 0);
    // A focused button is pressed from the keyboard as usual.
    form.Command1->setFocus();
    QTest::keyClick(form.Command1, Qt::Key_Space);
    QCOMPARE(form.bearings().size(), 1);
}

void MainWindowTest::fullCourseRefusesAnotherLeg()
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("trevanto.ini")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray dirLine = "DIR=";
    QByteArray metLine = "MET=";
    for (int i = 0; i < MaxLegs; ++i) {
        dirLine += "1;";
        metLine += "90;";
    }
    file.write(dirLine + "\r\n" + metLine + "\r\n");
    file.close();

    FormFixture fixture(QLocale::c(), WorkFileLocation{file.fileName(), QString()});
    Form1 &form = *fixture.form;
    form.Form_Load();
    QCOMPARE(form.distances().size(), MaxLegs);
    include(form, QStringLiteral("90"), QStringLiteral("1"));
    QCOMPARE(fixture.messages.texts.size(), 1);
    QVERIFY(fixture.messages.texts.first().contains(QStringLiteral("32767")));
    QCOMPARE(form.distances().size(), MaxLegs);
    QCOMPARE(form.Text4->text(), QStringLiteral("90"));
}

void MainWindowTest::deleteRemovesTheLastLeg()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    // Deleting from an empty course does nothing, not even a redraw.
    form.Text2->setText(QString());
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QVERIFY(fixture.messages.texts.isEmpty());

    form.Text2->setText(QStringLiteral("10"));
    include(form, QStringLiteral("90"), QStringLiteral("100"));
    include(form, QStringLiteral("180"), QStringLiteral("50"));
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QCOMPARE(form.bearings(), QStringList{QStringLiteral("90")});
    QCOMPARE(form.distances(), QStringList{QStringLiteral("100")});
    QCOMPARE(form.proa.size(), std::size_t(2));
    // The remaining leg now ends in the finish target.
    QVERIFY(isGreen(form, 473, 261));
    QVERIFY(!isBlack(form, 473, 300));

    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QCOMPARE(form.proa.size(), std::size_t(1));
    QVERIFY(!isBlack(form, 420, 261));
}

void MainWindowTest::deleteToleratesUnequalLists()
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("trevanto.ini")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("DIR=100;100;100;\r\nMET=90;\r\n");
    file.close();
    FormFixture fixture(QLocale::c(), WorkFileLocation{file.fileName(), QString()});
    Form1 &form = *fixture.form;
    form.Form_Load();
    // Only the legs both lists hold are drawn.
    QCOMPARE(form.proa.size(), std::size_t(2));
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QCOMPARE(form.distances().size(), 2);
    QCOMPARE(form.bearings().size(), 0);
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QCOMPARE(form.distances().size(), 2);
}

void MainWindowTest::oneLegIsDrawn()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    include(form, QStringLiteral("90"), QStringLiteral("100"));
    QCOMPARE(form.lngPenX, 473);
    QCOMPARE(form.lngPenY, 261);

    // The line from the pen start along y = 261; the marker covers its start on
    // screen, not on the surface.
    for (int x = 373; x <= 467; ++x)
        QVERIFY2(isBlack(form, x, 261), qPrintable(QString::number(x)));
    QVERIFY(!isBlack(form, 420, 260));
    QVERIFY(!isBlack(form, 420, 262));
    // The finish target: a black ring of radius 5 around green rings down to the centre.
    QVERIFY(isBlack(form, 478, 261));
    QVERIFY(isBlack(form, 473, 256));
    QVERIFY(isBlack(form, 473, 266));
    QVERIFY(isGreen(form, 477, 261));
    QVERIFY(isGreen(form, 473, 261));
    QVERIFY(isGreen(form, 473, 258));
    // No turning-point circle elsewhere, nothing at the start.
    QVERIFY(!isBlack(form, 373, 258));

    QCOMPARE(form.proa.size(), std::size_t(2));
    const BearingLabel &label = form.proa[1];
    QVERIFY(label.visible);
    QCOMPARE(label.text, QStringLiteral("90"));
    QCOMPARE(label.rect.topLeft(), QPoint(378, 266));
    QCOMPARE(label.rect.size(), QSize(QFontMetrics(form.font()).horizontalAdvance(QStringLiteral("90")),
                                      QFontMetrics(form.font()).height()));
    // The label is opaque and painted above the plot: its top-left pixel is
    // background, and it holds dark text pixels.
    const QImage labelImage = form.surface().copy(label.rect);
    QCOMPARE(labelImage.pixelColor(0, 0), form.palette().color(QPalette::Button));
    bool hasText = false;
    for (int y = 0; y < labelImage.height(); ++y)
        for (int x = 0; x < labelImage.width(); ++x)
            hasText = hasText || labelImage.pixelColor(x, y).lightness() < 100;
    QVERIFY(hasText);
    QVERIFY(!form.proa[0].visible);
    QCOMPARE(form.proa[0].text, QStringLiteral("Label5"));
}

void MainWindowTest::twoLegsAreDrawn()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    include(form, QStringLiteral("90"), QStringLiteral("100"));
    include(form, QStringLiteral("180"), QStringLiteral("50"));
    QCOMPARE(form.proa.size(), std::size_t(3));
    QCOMPARE(form.proa[1].rect.topLeft(), QPoint(378, 266));
    QCOMPARE(form.proa[2].rect.topLeft(), QPoint(478, 266));
    QCOMPARE(form.proa[2].text, QStringLiteral("180"));
    // A black turning-point circle of radius 3 at the corner, the second leg drawn
    // down from it, the finish target at its end.
    QVERIFY(isBlack(form, 470, 261));
    QVERIFY(isBlack(form, 473, 258));
    QVERIFY(!isGreen(form, 473, 261));
    for (int y = 262; y <= 305; ++y)
        QVERIFY2(isBlack(form, 473, y), qPrintable(QString::number(y)));
    QVERIFY(isBlack(form, 478, 311));
    QVERIFY(isGreen(form, 473, 311));
    QCOMPARE(form.lngPenX, 473);
    QCOMPARE(form.lngPenY, 311);
}

void MainWindowTest::emptyCourseClearsThePlot()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    include(form, QStringLiteral("90"), QStringLiteral("100"));
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QTest::mouseClick(form.Command3, Qt::LeftButton);
    QVERIFY(fixture.messages.texts.isEmpty());
    QCOMPARE(form.proa.size(), std::size_t(1));
    const QColor background = form.palette().color(QPalette::Button);
    for (int x = 360; x <= 490; ++x)
        QCOMPARE(pixel(form, x, 261), background);
    QCOMPARE(form.lngPenX, 373);
    QCOMPARE(form.lngPenY, 261);
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
    const QString missing = QStringLiteral("Informe a ESCALA para o desenho!");
    QTest::newRow("empty") << "" << missing;
    QTest::newRow("spaces") << "   " << missing;
    QTest::newRow("letters") << "abc" << QStringLiteral("Informe uma ESCALA válida para o desenho!");
    QTest::newRow("zero") << "0" << missing;
    QTest::newRow("zero with a fraction") << "0.0" << missing;
}

void MainWindowTest::refusedScaleChangesNothing()
{
    QFETCH(QString, scale);
    QFETCH(QString, message);
    FormFixture fixture;
    Form1 &form = *fixture.form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    include(form, QStringLiteral("90"), QStringLiteral("100"));
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

void MainWindowTest::negativeScaleReversesTheLegs()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    form.Text2->setText(QStringLiteral("-10"));
    include(form, QStringLiteral("90"), QStringLiteral("100"));
    QVERIFY(fixture.messages.texts.isEmpty());
    QCOMPARE(form.lngPenX, 273);
    QCOMPARE(form.lngPenY, 261);
    QVERIFY(isBlack(form, 300, 261));
    QVERIFY(isGreen(form, 273, 261));
}

void MainWindowTest::unusableLegStopsTheCourse()
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("trevanto.ini")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    // The second leg's distance is no number: the course ends with the first leg.
    file.write("DIR=100;abc;100;\r\nMET=90;90;90;\r\n");
    file.close();
    FormFixture fixture(QLocale::c(), WorkFileLocation{file.fileName(), QString()});
    Form1 &form = *fixture.form;
    form.Form_Load();
    QCOMPARE(form.proa.size(), std::size_t(2));
    QCOMPARE(form.lngPenX, 473);
    QVERIFY(isGreen(form, 473, 261));

    // A leg whose end leaves the 32-bit range is not drawn either.
    FormFixture huge;
    include(*huge.form, QStringLiteral("90"), QStringLiteral("2147483647"));
    huge.form->Text2->setText(QStringLiteral("100"));
    QTest::mouseClick(huge.form->Command3, Qt::LeftButton);
    QCOMPARE(huge.form->proa.size(), std::size_t(1));
    QCOMPARE(huge.form->lngPenX, 373);
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
    QTest::newRow("letters stay") << "abc" << "abc" << "abc";
    QTest::newRow("beyond 16 bits above") << "40000" << "32767" << "40000";
    QTest::newRow("beyond 16 bits below") << "-40000" << "-40000" << "-32768";
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
    // Held down, an arrow repeats its step.
    QVERIFY(form.UpDown1->upButton()->autoRepeat());
    QVERIFY(form.UpDown1->downButton()->autoRepeat());
}

void MainWindowTest::everyStepRedraws()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    form.Text2->setText(QStringLiteral("100"));
    include(form, QStringLiteral("90"), QStringLiteral("10"));
    QCOMPARE(form.lngPenX, 473);
    // The marker moved without a redraw; a step that changes nothing still redraws.
    form.Picture1->move(100, 100);
    QTest::mouseClick(form.UpDown1->upButton(), Qt::LeftButton);
    QCOMPARE(form.Text2->text(), QStringLiteral("100"));
    QCOMPARE(form.lngPenX, 205);
    QCOMPARE(form.lngPenY, 105);

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
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    include(form, QStringLiteral("90"), QStringLiteral("100"));
    drag(form, grab, drop, button);
    // The marker's top-left corner lands on the pointer, wherever it was grabbed.
    QCOMPARE(form.Picture1->pos(), drop);
    QCOMPARE(form.proa[1].rect.topLeft(), drop + QPoint(10, 10));
    QVERIFY(isBlack(form, drop.x() + 6, drop.y() + 5));
    QCOMPARE(form.lngPenX, drop.x() + 105);
}

void MainWindowTest::dropOnAControlChangesNothing_data()
{
    QTest::addColumn<QPoint>("drop");
    QTest::newRow("a list") << QPoint(20, 60);
    QTest::newRow("a text box") << QPoint(60, 165);
    QTest::newRow("a button") << QPoint(50, 220);
    QTest::newRow("a static label") << QPoint(130, 30);
    QTest::newRow("a bearing label of the plot") << QPoint(380, 268);
    QTest::newRow("the logo") << QPoint(40, 350);
    QTest::newRow("the north indicator") << QPoint(20, 450);
    QTest::newRow("the marker itself") << QPoint(372, 260);
    QTest::newRow("outside the window") << QPoint(-30, 200);
}

void MainWindowTest::dropOnAControlChangesNothing()
{
    QFETCH(QPoint, drop);
    FormFixture fixture;
    Form1 &form = *fixture.form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    include(form, QStringLiteral("90"), QStringLiteral("100"));
    // A redraw would show: the scale is refused from now on.
    form.Text2->setText(QStringLiteral("abc"));
    drag(form, QPoint(4, 4), drop);
    QCOMPARE(form.Picture1->pos(), QPoint(368, 256));
    QVERIFY(fixture.messages.texts.isEmpty());
}

void MainWindowTest::outlineFollowsThePointer()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    StartMarker *marker = form.Picture1;
    QTest::mousePress(marker, Qt::LeftButton, {}, QPoint(3, 2));
    const QPoint local = marker->mapFrom(&form, QPoint(250, 320));
    QMouseEvent move(QEvent::MouseMove, local, marker->mapToGlobal(local), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(marker, &move);
    auto *outline = form.findChild<QWidget *>(QStringLiteral("dragOutline"));
    QVERIFY(outline && outline->isVisible());
    // The outline keeps the grab offset; the marker stays put until the drop.
    QCOMPARE(outline->geometry(), QRect(247, 318, 9, 9));
    QCOMPARE(marker->pos(), QPoint(368, 256));
    QTest::mouseRelease(marker, Qt::LeftButton, {}, local);
    QVERIFY(!outline->isVisible());
    QCOMPARE(marker->pos(), QPoint(250, 320));
}

void MainWindowTest::printSendsTheClientArea()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    include(form, QStringLiteral("90"), QStringLiteral("100"));
    QTest::mouseClick(form.Command4, Qt::LeftButton);
    QCOMPARE(fixture.printer.pages.size(), 1);
    const QImage page = fixture.printer.pages.first();
    QCOMPARE(page.deviceIndependentSize().toSize(), form.size());
    // The plot and the controls are both on the page.
    QCOMPARE(page.pixelColor(420, 261), QColor(Qt::black));
    QCOMPARE(page.pixelColor(372, 260), QColor(255, 0, 0));
    QVERIFY(fixture.messages.texts.isEmpty());
    QCOMPARE(form.bearings().size(), 1);
}

void MainWindowTest::printFallbackIsReported()
{
    FormFixture fixture;
    fixture.printer.outcome = PrintOutcome{PrintOutcome::SavedAsPdf, QStringLiteral("/home/u/Documents/T.pdf")};
    QTest::mouseClick(fixture.form->Command4, Qt::LeftButton);
    QCOMPARE(fixture.messages.texts.size(), 1);
    QVERIFY(fixture.messages.texts.first().contains(QStringLiteral("/home/u/Documents/T.pdf")));
}

void MainWindowTest::logoOpensTheSite()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QMouseEvent move(QEvent::MouseMove, QPointF(40, 40), form.Image1->mapToGlobal(QPointF(40, 40)), Qt::NoButton,
                     Qt::NoButton, {});
    QApplication::sendEvent(form.Image1, &move);
    QCOMPARE(form.Image1->cursor().shape(), Qt::WhatsThisCursor);
    QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
    QTest::mouseClick(form.Image1, Qt::LeftButton, {}, QPoint(40, 40));
    QCOMPARE(fixture.launcher.started, QStringList{QStringLiteral("http://www.pervona.org.br")});
    // The address written on the window is no link.
    QTest::mouseClick(form.Label7, Qt::LeftButton);
    QCOMPARE(fixture.launcher.started.size(), 1);
}

void MainWindowTest::ajudaOpensTheHelpModal()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    include(form, QStringLiteral("90"), QStringLiteral("100"));
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
