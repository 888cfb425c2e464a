// What a screen reader finds in the windows: the controls' names, descriptions and
// roles, and the bearing labels of the plot as children of the main window.

#include "formfixture.h"

#include "app/accessibility.h"
#include "app/marker.h"
#include "app/updown.h"
#include "help/form2.h"

#include <QAccessible>
#include <QAccessibleWidget>

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

int controlCount(Form1 &form)
{
    return int(form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly).size());
}

} // namespace

class AccessibilityTest : public QObject
{
    Q_OBJECT

private slots:
    void tabOrderReadsNamesAndRoles();
    void everyControlHasANameAndADescription();
    void helpWindowIsNamed();

    void bearingLabelsAreChildrenOfTheWindow();
    void labelInterfacesFollowTheRedraw();
    void interfaceMadeDuringConstructionIsReplaced();
    void labelInterfacesGoWithTheWindow();
};

void AccessibilityTest::tabOrderReadsNamesAndRoles()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    QVERIFY(showActive(form));
    QAccessibleInterface *window = accessible(&form);

    const struct { QWidget *widget; QString name; QAccessible::Role role; } stops[] = {
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
    for (const auto &stop : stops) {
        if (stop.widget != form.Text4)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), stop.widget);
        // What a screen reader asks the window for: the control that has the focus.
        QAccessibleInterface *focused = window->focusChild();
        QVERIFY2(focused, qPrintable(stop.name));
        QCOMPARE(focused->object(), stop.widget);
        QCOMPARE(focused->text(QAccessible::Name), stop.name);
        QCOMPARE(focused->role(), stop.role);
        QVERIFY(focused->state().focused);
    }
}

void AccessibilityTest::everyControlHasANameAndADescription()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    const QList<QWidget *> controls = form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    QVERIFY(controls.size() >= 25);
    for (QWidget *control : controls) {
        QAccessibleInterface *iface = accessible(control);
        QVERIFY2(iface && !iface->text(QAccessible::Name).isEmpty(), qPrintable(control->objectName()));
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
    QVERIFY(!close->text(QAccessible::Description).isEmpty());

    // The lines are numbered in the order they stand on the screen.
    const char *onScreen[] = {"Label1", "Label2", "Label3", "Label5", "Label4", "Label6"};
    for (int line = 0; line < 6; ++line) {
        auto *label = help.findChild<QLabel *>(QString::fromUtf8(onScreen[line]));
        QVERIFY(label);
        QCOMPARE(accessible(label)->text(QAccessible::Description),
                 QStringLiteral("Linha %1 de 6 da ajuda").arg(line + 1));
    }
}

void AccessibilityTest::bearingLabelsAreChildrenOfTheWindow()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    QVERIFY(showActive(form));
    QAccessibleInterface *window = accessible(&form);
    const int controls = controlCount(form);
    // The hidden template is no child: before the first leg the children are the controls.
    QCOMPARE(window->childCount(), controls);

    include(form, "90", "100");
    include(form, "180", "50");
    QCOMPARE(window->childCount(), controls + 2);
    const QList<QAccessibleInterface *> labels = labelChildren(window);
    QCOMPARE(namesOf(labels), QStringList({QStringLiteral("Trecho 1: 90"), QStringLiteral("Trecho 2: 180")}));
    for (int i = 0; i < labels.size(); ++i) {
        QAccessibleInterface *label = labels.at(i);
        QVERIFY(label->isValid() && !label->state().invisible);
        QCOMPARE(label->role(), QAccessible::StaticText);
        QCOMPARE(label->parent(), window);
        // After every control, in leg order, where the label stands on the screen.
        QCOMPARE(window->indexOfChild(label), controls + i);
        QCOMPARE(label->rect(), QRect(form.mapToGlobal(form.proa[i + 1].rect.topLeft()), form.proa[i + 1].rect.size()));
    }
    QCOMPARE(labels.at(1)->rect().topLeft(), form.mapToGlobal(QPoint(478, 266)));
    // A point on a label finds it; a bare spot of the plot, or the corner where the hidden
    // drag outline waits, holds nothing.
    const QPoint onLabel = form.mapToGlobal(QPoint(380, 268));
    QCOMPARE(window->childAt(onLabel.x(), onLabel.y()), labels.at(0));
    const QPoint onButton = form.mapToGlobal(form.Command1->geometry().center());
    QCOMPARE(window->childAt(onButton.x(), onButton.y())->object(), form.Command1);
    for (const QPoint bare : {QPoint(600, 400), QPoint(2, 2)}) {
        const QPoint global = form.mapToGlobal(bare);
        QCOMPARE(window->childAt(global.x(), global.y()), nullptr);
    }

    // Excluir takes the last label away. Until its interface is let go it answers as gone,
    // never from the old label; the first label keeps its interface.
    const QAccessible::Id firstId = QAccessible::uniqueId(labels.at(0));
    const QAccessible::Id secondId = QAccessible::uniqueId(labels.at(1));
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QCOMPARE(namesOf(labelChildren(window)), QStringList({QStringLiteral("Trecho 1: 90")}));
    if (QAccessibleInterface *stale = QAccessible::accessibleInterface(secondId))
        QVERIFY(!stale->isValid() && stale->text(QAccessible::Name).isEmpty());
    QCoreApplication::sendPostedEvents(&form, QEvent::MetaCall);
    QVERIFY(!QAccessible::accessibleInterface(secondId));
    QCOMPARE(QAccessible::accessibleInterface(firstId), labels.at(0));

    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QVERIFY(labelChildren(window).isEmpty());
    QCoreApplication::sendPostedEvents(&form, QEvent::MetaCall);
    QVERIFY(!QAccessible::accessibleInterface(firstId));
}

void AccessibilityTest::labelInterfacesFollowTheRedraw()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    include(form, "90", "100");
    QAccessibleInterface *window = accessible(&form);
    const int last = window->childCount() - 1;
    QAccessibleInterface *label = window->child(last);
    QVERIFY(label);
    // Asking again gives the same registered interface, not a new one each time.
    QCOMPARE(window->child(last), label);
    QCOMPARE(QAccessible::accessibleInterface(QAccessible::uniqueId(label)), label);

    // A redraw moves the label; the interface follows it.
    form.Picture1->move(100, 100);
    form.Command3_Click();
    QCOMPARE(window->child(last), label);
    QCOMPARE(form.proa[1].rect.topLeft(), QPoint(110, 110));
    QCOMPARE(label->rect().topLeft(), form.mapToGlobal(QPoint(110, 110)));
    QCOMPARE(window->child(last + 1), nullptr);
    QCOMPARE(window->child(-1), nullptr);
}

void AccessibilityTest::interfaceMadeDuringConstructionIsReplaced()
{
    FormFixture fixture;
    Form1 &form = *fixture.form;
    include(form, "90", "100");
    // As when an event about the window reached the screen reader while the window was
    // being built: a plain widget interface, blind to the labels, stands cached.
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(accessible(&form)));
    QAccessible::registerAccessibleInterface(new QAccessibleWidget(&form));
    QVERIFY(labelChildren(accessible(&form)).isEmpty());

    describeForAccessibility(form);
    QCOMPARE(namesOf(labelChildren(accessible(&form))), QStringList({QStringLiteral("Trecho 1: 90")}));
}

void AccessibilityTest::labelInterfacesGoWithTheWindow()
{
    auto fixture = std::make_unique<FormFixture>();
    include(*fixture->form, "90", "100");
    include(*fixture->form, "180", "50");
    QList<QAccessible::Id> ids;
    for (QAccessibleInterface *label : labelChildren(accessible(fixture->form.get())))
        ids.append(QAccessible::uniqueId(label));
    QCOMPARE(ids.size(), 2);
    fixture.reset();
    for (const QAccessible::Id id : std::as_const(ids))
        QVERIFY(!QAccessible::accessibleInterface(id));
}

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
