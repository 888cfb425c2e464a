// A seeded random walk of real input over the real main window, with the real message
// boxes and help answered after a while, as a user answers them. After every step the
// window holds only what its rules accept and looks exactly like a window started afresh
// from the same state. A failing walk is shrunk to the shortest step list that still
// fails and printed; the table of found faults keeps each as its seed and step count.

#include "formfixture.h"
#include "locales.h"

#include "app/leglist.h"
#include "app/marker.h"
#include "app/messagebox.h"
#include "app/updown.h"
#include "course/legrules.h"
#include "help/form2.h"
#include "plot/geometry.h"

#include <QClipboard>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QListView>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

using namespace trevanto;
using namespace Qt::StringLiterals;

namespace {

// A step is a small value that replays from a fresh start, written as its kind, then what
// it acts on, by the names below.
enum Kind { Type, Key, Click, Hold, Drag, Resize, Close };
const QStringList Kinds = {u"type"_s, u"key"_s, u"click"_s, u"hold"_s, u"drag"_s, u"resize"_s, u"close"_s};
const QStringList Boxes = {u"Text4"_s, u"Text3"_s, u"Text2"_s};
const QStringList Keys = {u"Tab"_s, u"Shift+Tab"_s, u"Space"_s, u"Enter"_s, u"Escape"_s};
const QStringList Buttons = {u"Incluir"_s, u"Excluir"_s, u"Atualizar!"_s, u"Imprimir"_s, u"Ajuda..."_s, u"logo"_s};
const QStringList Arrows = {u"up"_s, u"down"_s};
const QStringList MouseButtons = {u"left"_s, u"right"_s, u"middle"_s};
const QStringList Closes = {u"FIM"_s, u"box"_s};
const QStringList *const Targets[] = {&Boxes, &Keys, &Buttons, &Arrows, &MouseButtons, nullptr, &Closes};
const QStringList Places = {u"arrow"_s, u"List1"_s, u"Text2"_s, u"Atualizar!"_s, u"plot"_s, u"outside"_s};
const QStringList Answers = {u"OK"_s, u"box"_s, u"Escape"_s, u"Enter"_s}; // OK: the dialog's one button

struct Step
{
    int kind = Type;
    int what = 0;     // index into the kind's names
    QList<int> n;     // type: {times the text is pasted}; hold: {ms}; drag: {grab x, y, drop x, y}; resize: {w, h}
    QString text;     // typed, in place of what the box held
    int place = 0;    // where a held arrow is released
    int answerMs = 0; // every modal window the step opens is answered after this long,
    int answer = 0;   // in this way
};

QString describe(const Step &s)
{
    const auto n = [&](int i) { return QString::number(s.n.value(i)); };
    QString rest;
    if (s.kind == Type)
        rest = u" \""_s + s.text + u'"' + (s.n.isEmpty() ? QString() : u" %1 times"_s.arg(n(0)));
    else if (s.kind == Hold)
        rest = u" %1 ms, release on %2"_s.arg(n(0), Places[s.place]);
    else if (s.kind == Drag)
        rest = u" from %1,%2 to %3,%4"_s.arg(n(0), n(1), n(2), n(3));
    else if (s.kind == Resize)
        return u"resize to %1 wide, %2 high"_s.arg(n(0), n(1));
    return Kinds[s.kind] + u' ' + (*Targets[s.kind])[s.what] + rest + u" | answer %1 ms by %2"_s.arg(s.answerMs).arg(Answers[s.answer]);
}

// Real mouse input through the window system: each event carries the buttons held after
// it, and a window that a modal one blocks never sees it. Clicks lie far enough apart in
// time that no two make a double click.
void mouse(QWindow *window, QEvent::Type type, Qt::MouseButton button, QPoint pos)
{
    static Qt::MouseButtons held;
    static int timestamp = 0;
    held.setFlag(button, type == QEvent::MouseButtonPress || (type == QEvent::MouseMove && held.testFlag(button)));
    timestamp = (timestamp + 1000) % (1 << 30);
    qt_handleMouseEvent(window, pos, window->mapToGlobal(QPointF(pos)), held, type == QEvent::MouseMove ? Qt::NoButton : button,
                        type, {}, timestamp);
}

void click(QWindow *window, QPoint pos)
{
    mouse(window, QEvent::MouseButtonPress, Qt::LeftButton, pos);
    mouse(window, QEvent::MouseButtonRelease, Qt::LeftButton, pos);
}

QWidgetList openModals()
{
    QWidgetList modals = QApplication::topLevelWidgets();
    modals.removeIf([](const QWidget *window) { return !window->isVisible() || !window->isModal(); });
    return modals;
}

// What a close keeps for the next start.
// What a restart gives back; a marker outside the window's inside comes back just inside.
QStringList kept(const Form1 &form)
{
    const QSize outer = form.frameGeometry().size();
    const QPoint marker = markerInReach(form.Picture1->pos(), form.Picture1->size(), form.size());
    return {u"bearings "_s + form.bearings().join(u' '), u"distances "_s + form.distances().join(u' '),
            u"scale \""_s + form.Text2->text() + u'"', u"marker at %1,%2"_s.arg(marker.x()).arg(marker.y()),
            u"size %1x%2"_s.arg(outer.width()).arg(outer.height())};
}

// The window with its real message boxes and help, a work-file folder of its own, and a
// hand that answers every modal window after the step's delay, also while the step is
// blocked inside its exec(): the OK or Fechar button, the close box, Escape or Enter
// (which the help window must ignore; its button follows). While a button is held on the
// main window the hand answers only by key.
class Walk
{
public:
    explicit Walk(const QLocale &locale) : m_locale(locale)
    {
        m_timer.callOnTimeout([this] { answer(); });
        m_timer.start(1);
        m_clock.start();
        start();
    }
    // Runs one step and returns the first check that failed, or nothing.
    QString run(const Step &step);
    const Form1 &form() const { return *m_form; }

private:
    // Keeps the first failure; from then on the hand closes every modal window at once,
    // so that a step blocked in nested ones comes back.
    void fail(const QString &fault)
    {
        m_fault = m_fault.isEmpty() ? fault : m_fault;
        m_form->UpDown1->release();
    }
    void start();
    void answer();
    QString check();
    QString drawnAfresh();

    QLocale m_locale;
    QTemporaryDir m_dir;
    DialogMessages m_messages;
    RecordingLauncher m_launcher;
    std::unique_ptr<Form1> m_form;
    QTimer m_timer;
    QElapsedTimer m_clock;
    Step m_step;
    QString m_fault;
    bool m_redrawn = false, m_buttonHeld = false, m_answering = false;
};

void Walk::start()
{
    const QString file = m_dir.filePath(u"trevanto.ini"_s);
    m_form = std::make_unique<Form1>(Form1::Services{&m_messages, nullptr, &m_launcher, {file, file}, m_locale});
    QObject::connect(m_form.get(), &Form1::bearingLabelsRedrawn, m_form.get(), [this] { m_redrawn = true; });
    m_form->Form_Load();
    m_form->show();
    if (!QTest::qWaitForWindowExposed(m_form.get()))
        fail(u"start: the window was not shown"_s);
}

void Walk::answer()
{
    if (const QWidgetList modals = openModals(); modals.size() > 1) {
        QStringList texts;
        for (QWidget *modal : modals)
            texts << (qobject_cast<QMessageBox *>(modal) ? static_cast<QMessageBox *>(modal)->text() : modal->windowTitle());
        fail(u"modal: %1 modal windows open at once: %2"_s.arg(modals.size()).arg(texts.join(u" / "_s)));
    }
    auto *top = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    if (!top || m_answering)
        return;
    if (!m_fault.isEmpty())
        return top->reject();
    if (!top->property("answerAt").isValid())
        top->setProperty("answerAt", m_clock.elapsed() + m_step.answerMs);
    if (m_clock.elapsed() < top->property("answerAt").toLongLong() || (m_buttonHeld && m_step.answer < 2))
        return;
    m_answering = true;
    QWindow *window = top->windowHandle();
    if (m_step.answer >= 2) {
        QTest::keyClick(window, m_step.answer == 2 ? Qt::Key_Escape : Qt::Key_Return);
        if (qobject_cast<Form2 *>(top) && !top->isVisible())
            fail(u"help: %1 closed the help window"_s.arg(Answers[m_step.answer]));
    }
    if (top->isVisible() && m_step.answer == 1) {
        window->close();
    } else if (top->isVisible() && !m_buttonHeld) {
        const auto *button = top->findChild<QPushButton *>();
        click(window, button->mapTo(top, button->rect().center()));
    }
    m_answering = false;
}

QString Walk::run(const Step &step)
{
    const QStringList before = kept(*m_form); // a step that closes the window does nothing before that
    m_redrawn = false;
    m_step = step;
    QWindow *window = m_form->windowHandle();
    const auto at = [&](const QWidget *widget) { return widget->mapTo(m_form.get(), widget->rect().center()); };
    switch (step.kind) {
    case Type:
        click(window, at(QList<QLineEdit *>{m_form->Text4, m_form->Text3, m_form->Text2}[step.what]));
        QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(window, Qt::Key_Backspace);
        if (!step.n.isEmpty()) { // a long text is pasted
            QGuiApplication::clipboard()->setText(step.text.repeated(step.n[0]));
            QTest::keyClick(window, Qt::Key_V, Qt::ControlModifier);
        }
        for (const QChar c : (step.n.isEmpty() ? step.text : QString()))
            QTest::sendKeyEvent(QTest::Click, window, Qt::Key(c.toUpper().unicode()), QString(c), {});
        break;
    case Key:
        QTest::keyClick(window, QList{Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Space, Qt::Key_Return, Qt::Key_Escape}[step.what],
                        step.what == 1 ? Qt::ShiftModifier : Qt::NoModifier);
        break;
    case Click:
        click(window, at(QWidgetList{m_form->Command1, m_form->Command2, m_form->Command3, m_form->Command4, m_form->Command6,
                                     m_form->Image1}[step.what]));
        break;
    case Hold: {
        // The hand lets go after the hold wherever the program is then, inside a message
        // box's exec() too: the release then goes to a window that the box blocks.
        SpinArrowButton *arrow = step.what ? m_form->UpDown1->downButton() : m_form->UpDown1->upButton();
        const QPoint places[] = {at(arrow), at(m_form->List1), at(m_form->Text2), at(m_form->Command3), {400, 330}, {-40, 150}};
        mouse(window, QEvent::MouseButtonPress, Qt::LeftButton, places[0]);
        m_buttonHeld = true;
        QEventLoop held;
        QTimer::singleShot(step.n[0], &held, [&] {
            m_buttonHeld = false;
            mouse(window, QEvent::MouseButtonRelease, Qt::LeftButton, places[step.place]);
            held.quit();
        });
        held.exec();
        if (arrow->isDown())
            fail(u"arrow: the %1 arrow is still down after its release"_s.arg(Arrows[step.what]));
        break;
    }
    case Drag: {
        const Qt::MouseButton button = QList{Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}[step.what];
        const QPoint from = m_form->Picture1->pos() + QPoint(step.n[0], step.n[1]), to(step.n[2], step.n[3]);
        mouse(window, QEvent::MouseButtonPress, button, from);
        for (int k = 1; k <= 3; ++k)
            mouse(window, QEvent::MouseMove, button, from + (to - from) * k / 3);
        mouse(window, QEvent::MouseButtonRelease, button, to);
        break;
    }
    case Resize: m_form->resize(step.n[0], step.n[1]); break;
    case Close: step.what ? void(window->close()) : click(window, at(m_form->Command5)); break;
    }
    if (!m_form->isVisible()) { // closed by FIM, by Space on it or by the close box: start again
        m_form.reset();
        start();
        const QStringList after = kept(*m_form);
        for (qsizetype i = 0; i < after.size(); ++i) {
            if (after[i] != before[i])
                fail(u"restart: the window came back with %1; it closed with %2"_s.arg(after[i].left(80), before[i].left(80)));
        }
    }
    QCoreApplication::processEvents();
    return m_fault.isEmpty() ? check() : std::exchange(m_fault, QString());
}

QString Walk::check()
{
    if (!openModals().isEmpty())
        return u"modal: a modal window is still open after the step"_s;
    const QStringList &distances = m_form->distances(), &bearings = m_form->bearings();
    if (distances.size() != bearings.size())
        return u"lists: %1 distances beside %2 bearings"_s.arg(distances.size()).arg(bearings.size());
    for (qsizetype i = 0; i < bearings.size(); ++i) {
        if (const auto refusal = checkNewLeg(bearings[i], distances[i], 0, m_locale))
            return u"leg: leg %1 (\"%2\", \"%3\") is one the include refuses: %4"_s.arg(i).arg(bearings[i], distances[i], refusal->message);
    }
    return m_redrawn ? drawnAfresh() : QString();
}

// Compares the surface and the bearing labels with a window started afresh from the same
// legs, scale and marker.
QString Walk::drawnAfresh()
{
    RecordingMessages quiet;
    Form1 fresh(Form1::Services{&quiet, nullptr, nullptr, {}, m_locale});
    static_cast<LegList *>(fresh.List1->model())->appendAll(m_form->distances());
    static_cast<LegList *>(fresh.List2->model())->appendAll(m_form->bearings());
    fresh.Text2->setText(m_form->Text2->text());
    fresh.Picture1->move(m_form->Picture1->pos());
    fresh.Command3_Click();
    if (fresh.surface() != m_form->surface())
        return u"redraw: the surface differs from a fresh window's"_s;
    for (std::size_t k = 0; k < std::max(fresh.proa.size(), m_form->proa.size()); ++k) {
        const BearingLabel a = k < m_form->proa.size() ? m_form->proa[k] : BearingLabel{}, b = k < fresh.proa.size() ? fresh.proa[k] : BearingLabel{};
        if (a.rect != b.rect || a.text != b.text || a.visible != b.visible)
            return u"redraw: bearing label %1 differs from a fresh window's"_s.arg(k);
    }
    return {};
}

// Holds and answers are mostly short, as a user's mostly are, which keeps the walk fast:
// 7 in 8 take under 5 ms, most of the rest under 50 ms, and 1 in 64 runs up to 1,500 ms,
// past the arrows' repeat (after 300 ms, then every 100 ms).
int skewedMs(QRandomGenerator &r)
{
    const int roll = r.bounded(64);
    return roll == 0 ? r.bounded(50, 1501) : roll < 8 ? r.bounded(5, 50) : r.bounded(5);
}

QString typedText(QRandomGenerator &r, QList<int> &times)
{
    const QString number = QString::number(r.bounded(400));
    const QString decimal = number + (r.bounded(2) ? u',' : u'.') + QString::number(r.bounded(100));
    switch (r.bounded(12)) {
    case 0: return {};
    case 1: times = {r.bounded(1000, 5001)}; return QStringList{u"9"_s, u"0"_s, u" "_s, u"1,5"_s, u"a"_s}[r.bounded(5)];
    case 2: return QStringList{u"abc"_s, u"x"_s, u"ç"_s, u"90º"_s, u"12a"_s, u"N"_s}[r.bounded(6)];
    case 3: return QStringList{u"-"_s, u"+"_s, u" -"_s}[r.bounded(3)] + (r.bounded(2) ? number : decimal);
    case 4: return u' ' + number + u' ';
    case 5: return QStringList{u"2147483648"_s, u"99999999999"_s, u"0"_s, u"0,4"_s, u"0.5"_s, u"359,6"_s}[r.bounded(6)];
    case 6:
    case 7: return decimal;
    default: return number;
    }
}

// Draws the next step; a drop lands anywhere near the window or on one of its controls.
// The leg boxes' texts only steer the draw, so the step still replays alike.
Step randomStep(QRandomGenerator &r, const Form1 &form)
{
    Step s;
    s.answerMs = skewedMs(r);
    s.answer = r.bounded(4);
    const int roll = r.bounded(150);
    if (roll < 50) { // what a user does most: fill the empty box, then include the leg
        const bool bearing = form.Text4->text().isEmpty(), distance = !bearing && form.Text3->text().isEmpty();
        s.kind = bearing || distance ? Type : Click; // Click 0: Incluir
        s.what = distance ? 1 : 0;
        s.text = bearing ? QString::number(r.bounded(360)) : distance ? QString::number(r.bounded(1, 500)) : QString();
    } else if (roll < 86) {
        s.kind = Type;
        s.what = r.bounded(5) / 2; // the scale less often than each leg box
        s.text = typedText(r, s.n);
    } else if (roll < 100) {
        s.kind = Key;
        s.what = r.bounded(5);
    } else if (roll < 126) {
        s.kind = Click;
        s.what = r.bounded(6);
    } else if (roll < 133) {
        s = Step{Hold, int(r.bounded(2)), {skewedMs(r)}, {}, int(r.bounded(6)), s.answerMs, s.answer};
    } else if (roll < 143) {
        const QWidgetList controls = form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        const QPoint to = r.bounded(3) ? QPoint(r.bounded(-60, 860), r.bounded(-60, 660)) : controls[r.bounded(controls.size())]->geometry().center();
        s = Step{Drag, int(r.bounded(3)), {int(r.bounded(9)), int(r.bounded(9)), to.x(), to.y()}, {}, 0, s.answerMs, s.answer};
    } else if (roll < 148) {
        const QSize room = form.screen()->availableSize() - (form.frameGeometry().size() - form.size());
        s = Step{Resize, 0, {int(r.bounded(1, room.width() + 1)), int(r.bounded(1, room.height() + 1))}, {}, 0, 0, 0};
    } else {
        s.kind = Close;
        s.what = r.bounded(2);
    }
    return s;
}

// Replays the steps from a fresh start: the first failed check and its step's index.
std::pair<QString, qsizetype> replay(const QLocale &locale, const QList<Step> &steps)
{
    Walk walk(locale);
    for (qsizetype i = 0; i < steps.size(); ++i) {
        if (const QString fault = walk.run(steps[i]); !fault.isEmpty())
            return {fault, i};
    }
    return {};
}

// Drops chunks of the steps, halving their size, while the rest still fails the same check.
QList<Step> shrink(const QLocale &locale, QList<Step> steps, const QString &fault, QDeadlineTimer deadline)
{
    const QString check = fault.section(u':', 0, 0);
    for (qsizetype chunk = steps.size() / 2; chunk >= 1 && !deadline.hasExpired(); chunk /= 2) {
        for (qsizetype from = 0; from < steps.size() && !deadline.hasExpired();) {
            QList<Step> fewer = steps;
            fewer.remove(from, qMin(chunk, steps.size() - from));
            const auto [again, at] = replay(locale, fewer);
            if (again.section(u':', 0, 0) == check)
                steps = fewer.mid(0, at + 1);
            else
                from += chunk;
        }
    }
    return steps;
}

// Walks the seed's steps from a fresh start in the seed's locale, up to `most` of them:
// the first failed check, or nothing.
QString walkSeed(int seed, int most, QList<Step> &steps, QLocale &locale)
{
    QRandomGenerator r(seed);
    locale = r.bounded(2) ? Brazil : QLocale::c();
    Walk walk(locale);
    QString fault;
    while (fault.isEmpty() && steps.size() < most) {
        steps << randomStep(r, walk.form());
        fault = walk.run(steps.last());
    }
    return fault;
}

int setting(const char *name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

} // namespace

class WalkTest : public QObject
{
    Q_OBJECT

public:
    WalkTest()
    {
        // A long walk outlasts Qt Test's own limit of five minutes for a test function.
        if (!qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
            qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number((setting("TREVANTO_WALK_SECONDS", 20) + 300) * 1000));
    }

private slots:
    void initTestCase()
    {
        // The offscreen platform says this whenever a window's size limits change.
        static const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            if (!text.contains(u"propagateSizeHints"_s))
                previous(type, context, text);
        });
    }
    void walk();
    void foundFaults_data();
    void foundFaults();
};

// Walks seed after seed until the time is up; each stops at its first failure, which is
// shrunk (for at most 30 s, 90 s in all, beside the walk's time) and reported.
void WalkTest::walk()
{
    const int first = setting("TREVANTO_WALK_SEED", 1), seeds = setting("TREVANTO_WALK_SEEDS", 1000);
    const int stepsPerSeed = setting("TREVANTO_WALK_STEPS", 200);
    const qint64 budget = setting("TREVANTO_WALK_SECONDS", 20) * 1000;
    QElapsedTimer clock;
    clock.start();
    QStringList failures;
    qint64 ran = 0, shrinking = 0; // the shrinking's own time, 90 s at most, is not the walk's
    int seed = first;
    for (; seed < first + seeds && clock.elapsed() - shrinking < budget; ++seed) {
        QList<Step> steps;
        QLocale locale;
        const QString fault = walkSeed(seed, stepsPerSeed, steps, locale);
        ran += steps.size();
        if (fault.isEmpty())
            continue;
        QElapsedTimer shrunk;
        shrunk.start();
        const QList<Step> shortest = shrink(locale, steps, fault, QDeadlineTimer(qBound(qint64(0), 90000 - shrinking, qint64(30000))));
        shrinking += shrunk.elapsed();
        QString report = u"seed %1 (%2) failed at step %3: %4\n  the shortest list found that fails so (%5 steps):"_s.arg(seed)
                             .arg(locale.name()).arg(steps.size()).arg(fault).arg(shortest.size());
        for (const Step &step : shortest)
            report += u"\n    "_s + describe(step);
        qWarning().noquote() << report;
        failures << report;
    }
    qInfo("walk: seeds %d to %d, %lld steps in %lld ms (and %lld ms shrinking), %lld failed", first, seed - 1, ran,
          clock.elapsed() - shrinking, shrinking, qint64(failures.size()));
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
}

// Walks that found faults, each named by its fault: the seed and the steps it took.
void WalkTest::foundFaults_data()
{
    QTest::addColumn<int>("seed");
    QTest::addColumn<int>("steps");
    QTest::newRow("a held arrow over a refused scale opens a message inside its message") << 28 << 129;
    QTest::newRow("a held arrow stays down when its release comes while its message is open") << 76 << 106;
    QTest::newRow("a window made smaller than 120 x 40 pixels comes back larger") << 46 << 49;
}

void WalkTest::foundFaults()
{
    QFETCH(int, seed);
    QFETCH(int, steps);
    QList<Step> walked;
    QLocale locale;
    const QString fault = walkSeed(seed, steps, walked, locale);
    QVERIFY2(fault.isEmpty(), qPrintable(u"step %1, %2: %3"_s.arg(walked.size()).arg(describe(walked.last()), fault)));
}

QTEST_MAIN(WalkTest)
#include "tst_walk.moc"
