// What a screen reader finds in the windows: the controls' names, descriptions and
// roles, and the bearing labels of the plot as children of the main window.

#include "formfixture.h"

#include "app/accessibility.h"
#include "app/marker.h"
#include "app/updown.h"
#include "help/form2.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFrame>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace trevanto;

namespace {

QAccessibleInterface *accessible(QObject *object)
{
    return QAccessible::queryAccessibleInterface(object);
}

// The window's children that are not widgets: the bearing labels, in child order.
QList<QAccessibleInterface *> labelChildren(QAccessibleInterface *window)
{
    QList<QAccessibleInterface *> labels;
    for (int i = 0; i < window->childCount(); ++i) {
        QAccessibleInterface *child = window->child(i);
        if (child && !child->object())
            labels.append(child);
    }
    return labels;
}

QStringList namesOf(const QList<QAccessibleInterface *> &interfaces)
{
    QStringList names;
    for (QAccessibleInterface *iface : interfaces)
        names.append(iface->text(QAccessible::Name));
    return names;
}

} // namespace

class AccessibilityTest : public QObject
{
    Q_OBJECT

private slots:
    void tabOrderReadsNamesAndRoles();
    void controlsWithoutFocusAreNamed_data();
    void controlsWithoutFocusAreNamed();
    void everyControlHasANameAndADescription();
    void helpWindowIsNamed();

    void noLabelBeforeTheFirstLeg();
    void bearingLabelsAreChildrenOfTheWindow();
    void deleteLeavesOneLabel();
    void labelInterfacesAreKept();
    void pointOnALabelFindsIt();
    void interfaceMadeDuringConstructionIsReplaced();
    void labelInterfacesGoWithTheWindow();
};

void AccessibilityTest::tabOrderReadsNamesAndRoles()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QAccessibleInterface *window = accessible(&form);
    QVERIFY(window);

    struct Stop
    {
        QWidget *widget;
        QString name;
        QAccessible::Role role;
    };
    const QList<Stop> stops = {
        {form.Text4, QStringLiteral("Direção do próximo trecho"), QAccessible::EditableText},
        {form.Text3, QStringLiteral("Metragem do próximo trecho"), QAccessible::EditableText},
        {form.Command1, QStringLiteral("Incluir"), QAccessible::Button},
        {form.Command2, QStringLiteral("Excluir"), QAccessible::Button},
        {form.Command3, QStringLiteral("Atualizar!"), QAccessible::Button},
        {form.Command4, QStringLiteral("Imprimir"), QAccessible::Button},
        {form.Command6, QStringLiteral("Ajuda..."), QAccessible::Button},
        {form.Command5, QStringLiteral("FIM"), QAccessible::Button},
        {form.Text2, QStringLiteral("Zoom"), QAccessible::EditableText},
    };
    form.Text4->setFocus();
    for (qsizetype i = 0; i < stops.size(); ++i) {
        if (i > 0)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const Stop &stop = stops.at(i);
        QCOMPARE(QApplication::focusWidget(), stop.widget);
        // What a screen reader asks the window for: the control that has the focus.
        QAccessibleInterface *focused = window->focusChild();
        QVERIFY2(focused, qPrintable(stop.name));
        QCOMPARE(focused->object(), stop.widget);
        QCOMPARE(focused->text(QAccessible::Name), stop.name);
        QCOMPARE(focused->role(), stop.role);
        QVERIFY(focused->state().focused);
        QVERIFY2(!focused->text(QAccessible::Description).isEmpty(), qPrintable(stop.name));
    }
}

void AccessibilityTest::controlsWithoutFocusAreNamed_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    QTest::addColumn<int>("role");

    QTest::newRow("bearing list") << "List2" << "Direção" << "Lista das direções dos trechos, em graus"
                                  << int(QAccessible::List);
    QTest::newRow("distance list") << "List1" << "Metragem" << "Lista das metragens dos trechos, em metros"
                                   << int(QAccessible::List);
    QTest::newRow("start marker") << "Picture1" << "marco de início"
                                  << "quadrado vermelho; arraste para mover o percurso" << int(QAccessible::Client);
    QTest::newRow("north indicator") << "Picture2" << "indicador do norte" << QString() << int(QAccessible::Graphic);
    QTest::newRow("logo") << "Image1" << "logotipo da Pervona" << QString() << int(QAccessible::Graphic);
    QTest::newRow("scale arrows") << "UpDown1" << "Zoom" << QString() << int(QAccessible::Client);
    QTest::newRow("zoom label") << "Label1" << "Zoom:" << QString() << int(QAccessible::StaticText);
    QTest::newRow("distance heading") << "Label3" << "Metragem" << QString() << int(QAccessible::StaticText);
    QTest::newRow("bearing heading") << "Label4" << "Direção" << QString() << int(QAccessible::StaticText);
    QTest::newRow("title") << "Label5" << "Trevanto" << QString() << int(QAccessible::StaticText);
    QTest::newRow("organisation") << "Label6" << "Pervona" << QString() << int(QAccessible::StaticText);
    QTest::newRow("site address") << "Label7" << "http://www.pervona.org.br" << QString()
                                  << int(QAccessible::StaticText);
    QTest::newRow("help contact") << "Label8" << "help: (msn) suporte@pervona.org.br" << QString()
                                  << int(QAccessible::StaticText);
}

void AccessibilityTest::controlsWithoutFocusAreNamed()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QFETCH(QString, description);
    QFETCH(int, role);
    FormFixture fixture;
    auto *control = fixture.form->findChild<QWidget *>(path);
    QVERIFY(control);
    QAccessibleInterface *iface = accessible(control);
    QVERIFY(iface);
    QCOMPARE(iface->text(QAccessible::Name), name);
    QCOMPARE(int(iface->role()), role);
    if (!description.isNull())
        QCOMPARE(iface->text(QAccessible::Description), description);
    else
        QVERIFY(!iface->text(QAccessible::Description).isEmpty());
}

void AccessibilityTest::everyControlHasANameAndADescription()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    const QList<QWidget *> controls = form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    QVERIFY(controls.size() >= 25);
    for (QWidget *control : controls) {
        QAccessibleInterface *iface = accessible(control);
        QVERIFY2(iface, qPrintable(control->objectName()));
        QVERIFY2(!iface->text(QAccessible::Name).isEmpty(), qPrintable(control->objectName()));
        QVERIFY2(!iface->text(QAccessible::Description).isEmpty(), qPrintable(control->objectName()));
    }
    // The arrows of the scale are two buttons of their own.
    QAccessibleInterface *up = accessible(form.UpDown1->upButton());
    QAccessibleInterface *down = accessible(form.UpDown1->downButton());
    QCOMPARE(up->text(QAccessible::Name), QStringLiteral("Aumentar zoom"));
    QCOMPARE(down->text(QAccessible::Name), QStringLiteral("Diminuir zoom"));
    QCOMPARE(up->role(), QAccessible::Button);
    QCOMPARE(down->role(), QAccessible::Button);
    QCOMPARE(up->parent()->object(), form.UpDown1);
}

void AccessibilityTest::helpWindowIsNamed()
{
    Form2 help;
    QAccessibleInterface *window = accessible(&help);
    QCOMPARE(window->text(QAccessible::Name), QStringLiteral("Ajuda"));
    QVERIFY(!window->text(QAccessible::Description).isEmpty());

    QAccessibleInterface *close = accessible(help.findChild<QPushButton *>(QStringLiteral("Command1")));
    QCOMPARE(close->text(QAccessible::Name), QStringLiteral("Fechar"));
    QCOMPARE(close->role(), QAccessible::Button);
    QVERIFY(!close->text(QAccessible::Description).isEmpty());

    // The lines in the order they stand on the screen.
    const QStringList onScreen = {QStringLiteral("Label1"), QStringLiteral("Label2"), QStringLiteral("Label3"),
                                  QStringLiteral("Label5"), QStringLiteral("Label4"), QStringLiteral("Label6")};
    for (qsizetype line = 0; line < onScreen.size(); ++line) {
        auto *label = help.findChild<QLabel *>(onScreen.at(line));
        QVERIFY(label);
        QAccessibleInterface *iface = accessible(label);
        QCOMPARE(iface->text(QAccessible::Name), label->text());
        QCOMPARE(iface->role(), QAccessible::StaticText);
        QCOMPARE(iface->text(QAccessible::Description), QStringLiteral("Linha %1 de 6 da ajuda").arg(line + 1));
    }
}

void AccessibilityTest::noLabelBeforeTheFirstLeg()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    QAccessibleInterface *window = accessible(&form);
    // The hidden template is no child; the children are the controls only.
    QCOMPARE(window->childCount(), int(form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly).size()));
    QVERIFY(labelChildren(window).isEmpty());
}

void AccessibilityTest::bearingLabelsAreChildrenOfTheWindow()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    include(form, QStringLiteral("90"), QStringLiteral("100"));
    include(form, QStringLiteral("180"), QStringLiteral("50"));

    QAccessibleInterface *window = accessible(&form);
    const int controls = int(form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly).size());
    QCOMPARE(window->childCount(), controls + 2);

    const QList<QAccessibleInterface *> labels = labelChildren(window);
    QCOMPARE(namesOf(labels), QStringList({QStringLiteral("Trecho 1: 90"), QStringLiteral("Trecho 2: 180")}));
    for (qsizetype i = 0; i < labels.size(); ++i) {
        QAccessibleInterface *label = labels.at(i);
        QVERIFY(label->isValid());
        QCOMPARE(label->role(), QAccessible::StaticText);
        QVERIFY(!label->state().invisible);
        QCOMPARE(label->parent(), window);
        // The labels come after every control, in leg order.
        QCOMPARE(window->indexOfChild(label), controls + int(i));
        QCOMPARE(window->child(controls + int(i)), label);
    }
    // Where the labels stand on the screen: at the legs' label corners.
    const BearingLabel &first = form.proa[1];
    QCOMPARE(first.rect.topLeft(), QPoint(378, 266));
    QCOMPARE(labels.at(0)->rect(), QRect(form.mapToGlobal(QPoint(378, 266)), first.rect.size()));
    QCOMPARE(labels.at(1)->rect(), QRect(form.mapToGlobal(QPoint(478, 266)), form.proa[2].rect.size()));
}

void AccessibilityTest::deleteLeavesOneLabel()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    include(form, QStringLiteral("90"), QStringLiteral("100"));
    include(form, QStringLiteral("180"), QStringLiteral("50"));
    QAccessibleInterface *window = accessible(&form);
    const QList<QAccessibleInterface *> before = labelChildren(window);
    QCOMPARE(before.size(), 2);
    const QAccessible::Id firstId = QAccessible::uniqueId(before.at(0));
    const QAccessible::Id secondId = QAccessible::uniqueId(before.at(1));

    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QCOMPARE(namesOf(labelChildren(window)), QStringList({QStringLiteral("Trecho 1: 90")}));
    // Until the removed label's interface is let go it answers as gone, never from
    // the old label.
    if (QAccessibleInterface *stale = QAccessible::accessibleInterface(secondId)) {
        QVERIFY(!stale->isValid());
        QVERIFY(stale->text(QAccessible::Name).isEmpty());
    }

    QCoreApplication::sendPostedEvents(&form, QEvent::MetaCall);
    QVERIFY(!QAccessible::accessibleInterface(secondId));
    QCOMPARE(QAccessible::accessibleInterface(firstId), before.at(0));

    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QVERIFY(labelChildren(window).isEmpty());
    QCoreApplication::sendPostedEvents(&form, QEvent::MetaCall);
    QVERIFY(!QAccessible::accessibleInterface(firstId));
}

void AccessibilityTest::labelInterfacesAreKept()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    include(form, QStringLiteral("90"), QStringLiteral("100"));
    QAccessibleInterface *window = accessible(&form);
    const int last = window->childCount() - 1;
    QAccessibleInterface *label = window->child(last);
    QVERIFY(label);
    // Asking again gives the same registered interface, not a new one each time.
    QCOMPARE(window->child(last), label);
    QVERIFY(QAccessible::uniqueId(label) != 0);
    QCOMPARE(QAccessible::accessibleInterface(QAccessible::uniqueId(label)), label);

    // A redraw moves the label; the interface follows it.
    form.Picture1->move(100, 100);
    form.Command3_Click();
    QCOMPARE(window->child(last), label);
    QCOMPARE(label->rect().topLeft(), form.mapToGlobal(form.proa[1].rect.topLeft()));
    QCOMPARE(form.proa[1].rect.topLeft(), QPoint(110, 110));
    QCOMPARE(window->child(last + 1), nullptr);
    QCOMPARE(window->child(-1), nullptr);
}

void AccessibilityTest::pointOnALabelFindsIt()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    include(form, QStringLiteral("90"), QStringLiteral("100"));
    QAccessibleInterface *window = accessible(&form);

    const QPoint onLabel = form.mapToGlobal(QPoint(380, 268));
    QAccessibleInterface *hit = window->childAt(onLabel.x(), onLabel.y());
    QVERIFY(hit);
    QCOMPARE(hit->text(QAccessible::Name), QStringLiteral("Trecho 1: 90"));
    QCOMPARE(window->indexOfChild(hit), window->childCount() - 1);

    const QPoint onButton = form.mapToGlobal(form.Command1->geometry().center());
    hit = window->childAt(onButton.x(), onButton.y());
    QVERIFY(hit);
    QCOMPARE(hit->object(), form.Command1);

    // A bare spot of the plot holds nothing, nor does the top-left corner, where the
    // hidden drag outline waits.
    const QPoint bare = form.mapToGlobal(QPoint(600, 400));
    QCOMPARE(window->childAt(bare.x(), bare.y()), nullptr);
    const QPoint corner = form.mapToGlobal(QPoint(2, 2));
    QCOMPARE(window->childAt(corner.x(), corner.y()), nullptr);
}

void AccessibilityTest::interfaceMadeDuringConstructionIsReplaced()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    include(form, QStringLiteral("90"), QStringLiteral("100"));
    // As when an event about the window reached the screen reader while the window
    // was being built: a plain widget interface, blind to the labels, stands cached.
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(accessible(&form)));
    QAccessible::registerAccessibleInterface(new QAccessibleWidget(&form));
    QVERIFY(labelChildren(accessible(&form)).isEmpty());

    describeForAccessibility(form);
    QCOMPARE(namesOf(labelChildren(accessible(&form))), QStringList({QStringLiteral("Trecho 1: 90")}));
}

void AccessibilityTest::labelInterfacesGoWithTheWindow()
{
    auto fixture = std::make_unique<FormFixture>();
    Form1 &form = *fixture->form;
    include(form, QStringLiteral("90"), QStringLiteral("100"));
    include(form, QStringLiteral("180"), QStringLiteral("50"));
    QList<QAccessible::Id> ids;
    for (QAccessibleInterface *label : labelChildren(accessible(&form)))
        ids.append(QAccessible::uniqueId(label));
    QCOMPARE(ids.size(), 2);
    fixture.reset();
    for (const QAccessible::Id id : std::as_const(ids))
        QVERIFY(!QAccessible::accessibleInterface(id));
}

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
