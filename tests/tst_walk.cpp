// A seeded random walk of real input over the real main window: typing into the boxes,
// keys, clicks, held zoom arrows, drags of the start marker, resizes, closes and
// restarts, with the real message boxes and the real help window answered after a
// while, as a user answers them. After every step the window must hold only what its
// rules accept and look exactly like a window started afresh from the same state. A
// failing walk is shrunk to the shortest step list that still fails and printed in the
// form that the table of found faults replays.

#include "formfixture.h"
#include "locales.h"

#include "app/leglist.h"
#include "app/marker.h"
#include "app/messagebox.h"
#include "app/updown.h"
#include "course/legrules.h"
#include "help/form2.h"

#include <QClipboard>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QListView>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

using namespace trevanto;

namespace {

// A step is a small value that replays from a fresh start; these are its words.
enum Kind { Type, Retype, Key, Click, Hold, Drag, Resize, Close };
const QStringList Kinds = {u"type"_qs, u"retype"_qs, u"key"_qs, u"click"_qs, u"hold"_qs, u"drag"_qs, u"resize"_qs, u"close"_qs};
const QStringList Boxes = {u"Text4"_qs, u"Text3"_qs, u"Text2"_qs};
const QStringList Keys = {u"Tab"_qs, u"Shift+Tab"_qs, u"Space"_qs, u"Enter"_qs, u"Escape"_qs};
const Qt::Key KeyCodes[] = {Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Space, Qt::Key_Return, Qt::Key_Escape};
const QStringList Buttons = {u"Incluir"_qs, u"Excluir"_qs, u"Atualizar!"_qs, u"Imprimir"_qs, u"Ajuda..."_qs, u"logo"_qs};
const QStringList Arrows = {u"up"_qs, u"down"_qs};
const QStringList Places = {u"arrow"_qs, u"List1"_qs, u"Text2"_qs, u"Atualizar!"_qs, u"plot"_qs, u"outside"_qs};
const QStringList MouseButtons = {u"left"_qs, u"right"_qs, u"middle"_qs};
const Qt::MouseButton MouseCodes[] = {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
const QStringList Answers = {u"OK"_qs, u"box"_qs, u"Escape"_qs, u"Enter"_qs}; // OK: the dialog's one button
const QStringList Closes = {u"FIM"_qs, u"box"_qs};

struct Step
{
    int kind = Type;
    int what = 0;    // the box, key, button, arrow, mouse button or way to close, by its word
    int ms = 0;      // how long an arrow is held
    int place = 0;   // where it is released
    QPoint at;       // a drag's drop point; a resize's size
    QPoint grab;     // where a drag takes the marker
    QString text;    // typed `times` over (pasted when that is more than once)
    int times = 1;
    int answerMs = 0; // every modal window the step opens is answered after this long,
    int answer = 0;   // in this way
};

QString describe(const Step &s)
{
    QString t = Kinds[s.kind] + u' ';
    switch (s.kind) {
    case Type:
    case Retype:
        t += Boxes[s.what] + u" \""_qs + s.text + u'"' + (s.times > 1 ? u" x%1"_qs.arg(s.times) : QString());
        break;
    case Key: t += Keys[s.what]; break;
    case Click: t += Buttons[s.what]; break;
    case Hold: t += u"%1 %2 ms, release on %3"_qs.arg(Arrows[s.what]).arg(s.ms).arg(Places[s.place]); break;
    case Drag:
        t += u"%1 from %2,%3 to %4,%5"_qs.arg(MouseButtons[s.what]).arg(s.grab.x()).arg(s.grab.y()).arg(s.at.x()).arg(s.at.y());
        break;
    case Resize: return t + u"to %1x%2"_qs.arg(s.at.x()).arg(s.at.y());
    case Close: t += u"by "_qs + Closes[s.what]; break;
    }
    return t + u" | answer %1 ms by %2"_qs.arg(s.answerMs).arg(Answers[s.answer]);
}

Step parseStep(const QString &line)
{
    static const QRegularExpression token(u"\"[^\"]*\"|[^\\s,|]+(,-?\\d+)?"_qs);
    static const QStringList filler = {u"ms"_qs, u"release"_qs, u"on"_qs, u"from"_qs, u"to"_qs, u"by"_qs, u"answer"_qs};
    QStringList w;
    for (const auto &match : token.globalMatch(line)) {
        if (!filler.contains(match.captured()))
            w << match.captured();
    }
    const auto point = [](const QString &text, QChar sep) { return QPoint(text.section(sep, 0, 0).toInt(), text.section(sep, 1).toInt()); };
    Step s;
    s.kind = int(Kinds.indexOf(w[0]));
    int next = 2;
    switch (s.kind) {
    case Type:
    case Retype:
        s.what = int(Boxes.indexOf(w[1]));
        s.text = w[2].mid(1, w[2].size() - 2);
        s.times = w[3].startsWith(u'x') ? w[3].mid(1).toInt() : 1;
        next = s.times > 1 ? 4 : 3;
        break;
    case Key: s.what = int(Keys.indexOf(w[1])); break;
    case Click: s.what = int(Buttons.indexOf(w[1])); break;
    case Hold:
        s.what = int(Arrows.indexOf(w[1]));
        s.ms = w[2].toInt();
        s.place = int(Places.indexOf(w[3]));
        next = 4;
        break;
    case Drag:
        s.what = int(MouseButtons.indexOf(w[1]));
        s.grab = point(w[2], u',');
        s.at = point(w[3], u',');
        next = 4;
        break;
    case Resize: s.at = point(w[1], u'x'); return s;
    case Close: s.what = int(Closes.indexOf(w[1])); break;
    }
    s.answerMs = w[next].toInt();
    s.answer = int(Answers.indexOf(w[next + 1]));
    return s;
}

// Real mouse input through the window system: each event carries the buttons held after
// it, and a blocked window never sees it. Clicks lie far enough apart in time that no two
// make a double click.
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

QList<QWidget *> openModals()
{
    QList<QWidget *> modals;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->isModal())
            modals << window;
    }
    return modals;
}

// Answers the modal windows as the user does, after the step's delay, also while the step
// is blocked inside one's exec(): the OK or Fechar button, the close box, Escape or Enter
// (which the help window must ignore; the button follows). A button held on the main
// window is first released: no hand clicks while it holds one. On every tick it checks
// that at most one modal window is open; after a failure it stops the arrows and closes
// every modal window at once, so the step comes back.
class Answerer : public QObject
{
public:
    Answerer()
    {
        m_timer.callOnTimeout(this, &Answerer::tick);
        m_timer.start(1);
        m_clock.start();
    }

    void fail(const QString &fault)
    {
        if (m_fault.isEmpty())
            m_fault = fault;
        form->UpDown1->upButton()->setDown(false);
        form->UpDown1->downButton()->setDown(false);
    }
    QString takeFault() { return std::exchange(m_fault, QString()); }

    Form1 *form = nullptr;
    Step step;
    bool buttonHeld = false;

private:
    void tick()
    {
        const QList<QWidget *> modals = openModals();
        if (modals.size() > 1) {
            QStringList texts;
            for (QWidget *modal : modals)
                texts << (qobject_cast<QMessageBox *>(modal) ? qobject_cast<QMessageBox *>(modal)->text() : modal->windowTitle());
            fail(u"modal: %1 modal windows open at once: %2"_qs.arg(modals.size()).arg(texts.join(u" / "_qs)));
        }
        auto *top = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!top || m_answering)
            return;
        if (!m_fault.isEmpty()) {
            top->reject();
            return;
        }
        if (!top->property("answerAt").isValid())
            top->setProperty("answerAt", m_clock.elapsed() + step.answerMs);
        if (m_clock.elapsed() < top->property("answerAt").toLongLong() || (buttonHeld && step.answer < 2))
            return;
        m_answering = true;
        QWindow *window = top->windowHandle();
        if (step.answer >= 2) {
            QTest::keyClick(window, step.answer == 2 ? Qt::Key_Escape : Qt::Key_Return);
            if (qobject_cast<Form2 *>(top) && !top->isVisible())
                fail(u"help: %1 closed the help window"_qs.arg(Answers[step.answer]));
        }
        if (top->isVisible() && step.answer == 1) {
            window->close();
        } else if (top->isVisible() && !buttonHeld) {
            const auto *button = top->findChild<QPushButton *>();
            click(window, button->mapTo(top, button->rect().center()));
        }
        m_answering = false;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    QString m_fault;
    bool m_answering = false;
};

// Prints in turn: printed, saved as a PDF, failed; the last two tell the user in a message.
class RecordingPrinter : public PagePrinter
{
public:
    PrintOutcome printPage(const QImage &page) override
    {
        sizes << page.size();
        const auto kind = PrintOutcome::Kind(sizes.size() % 3);
        return {kind, kind == PrintOutcome::Failed ? u"sem papel"_qs : u"/tmp/Trevanto.pdf"_qs};
    }
    QList<QSize> sizes;
};

// What a close keeps for the next start.
struct Kept
{
    QStringList distances, bearings;
    QString scale;
    QPoint marker;
    QSize outer;
    bool operator==(const Kept &) const = default;
};

Kept kept(const Form1 &form)
{
    return {form.distances(), form.bearings(), form.Text2->text(), form.Picture1->pos(), form.frameGeometry().size()};
}

// The window, its real message boxes and help, and a work-file folder of its own.
class Walk
{
public:
    explicit Walk(const QLocale &locale) : m_locale(locale) { start(); }

    // Runs one step and returns the first check that failed, or nothing.
    QString run(const Step &step);
    const Form1 &form() const { return *m_form; }

private:
    void start();
    QString check();
    QString drawnAfresh();
    QPoint place(int which, QPoint arrow) const;

    QLocale m_locale;
    QTemporaryDir m_dir;
    DialogMessages m_messages;
    RecordingPrinter m_printer;
    RecordingLauncher m_launcher;
    Answerer m_answerer;
    std::unique_ptr<Form1> m_form;
    bool m_redrawn = false;
};

void Walk::start()
{
    Form1::Services services;
    services.messages = &m_messages;
    services.printer = &m_printer;
    services.launcher = &m_launcher;
    services.workFile = {m_dir.filePath(u"trevanto.ini"_qs), m_dir.filePath(u"trevanto.ini"_qs)};
    services.locale = m_locale;
    m_form = std::make_unique<Form1>(services);
    m_answerer.form = m_form.get();
    QObject::connect(m_form.get(), &Form1::bearingLabelsRedrawn, m_form.get(), [this] { m_redrawn = true; });
    m_form->Form_Load();
    m_form->show();
    if (!QTest::qWaitForWindowExposed(m_form.get()))
        m_answerer.fail(u"start: the window was not shown"_qs);
}

QPoint Walk::place(int which, QPoint arrow) const
{
    const QWidget *const widgets[] = {nullptr, m_form->List1, m_form->Text2, m_form->Command3};
    if (which == 0)
        return arrow;
    if (which < 4)
        return widgets[which]->geometry().center();
    return which == 4 ? QPoint(400, 330) : QPoint(-40, 150);
}

QString Walk::run(const Step &step)
{
    const Kept before = kept(*m_form); // a step that closes the window does nothing before that
    m_redrawn = false;
    m_answerer.step = step;
    QWindow *window = m_form->windowHandle();
    const auto at = [&](const QWidget *widget) { return widget->mapTo(m_form.get(), widget->rect().center()); };
    switch (step.kind) {
    case Type:
    case Retype: {
        click(window, at(QList<QLineEdit *>{m_form->Text4, m_form->Text3, m_form->Text2}[step.what]));
        if (step.kind == Retype)
            QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
        if (step.times > 1) {
            QGuiApplication::clipboard()->setText(step.text.repeated(step.times));
            QTest::keyClick(window, Qt::Key_V, Qt::ControlModifier);
        } else if (step.text.isEmpty() && step.kind == Retype) {
            QTest::keyClick(window, Qt::Key_Backspace);
        }
        for (const QChar c : (step.times > 1 ? QString() : step.text))
            QTest::sendKeyEvent(QTest::Click, window, Qt::Key(c.toUpper().unicode()), QString(c), {});
        break;
    }
    case Key: QTest::keyClick(window, KeyCodes[step.what], step.what == 1 ? Qt::ShiftModifier : Qt::NoModifier); break;
    case Click:
        click(window, at(QList<QWidget *>{m_form->Command1, m_form->Command2, m_form->Command3, m_form->Command4, m_form->Command6,
                                          m_form->Image1}[step.what]));
        break;
    case Hold: {
        // The hand lets go after the hold wherever the program is then, inside a message
        // box's exec() too: its release then goes to a window that a modal one blocks.
        SpinArrowButton *arrow = step.what ? m_form->UpDown1->downButton() : m_form->UpDown1->upButton();
        const QPoint pressed = at(arrow);
        mouse(window, QEvent::MouseButtonPress, Qt::LeftButton, pressed);
        m_answerer.buttonHeld = true;
        QEventLoop held;
        QTimer::singleShot(step.ms, &held, [&] {
            m_answerer.buttonHeld = false;
            mouse(window, QEvent::MouseButtonRelease, Qt::LeftButton, place(step.place, pressed));
            held.quit();
        });
        held.exec();
        if (arrow->isDown())
            m_answerer.fail(u"arrow: the %1 arrow is still down after its release"_qs.arg(Arrows[step.what]));
        break;
    }
    case Drag: {
        const QPoint from = m_form->Picture1->pos() + step.grab;
        mouse(window, QEvent::MouseButtonPress, MouseCodes[step.what], from);
        for (int k = 1; k <= 3; ++k)
            mouse(window, QEvent::MouseMove, MouseCodes[step.what], from + (step.at - from) * k / 3);
        mouse(window, QEvent::MouseButtonRelease, MouseCodes[step.what], step.at);
        break;
    }
    case Resize: m_form->resize(step.at.x(), step.at.y()); break;
    case Close:
        if (step.what == 0)
            click(window, at(m_form->Command5));
        else
            window->close();
        break;
    }
    if (!m_form->isVisible()) { // closed by FIM, Space on it or the close box: start again
        m_form.reset();
        start();
        const Kept after = kept(*m_form);
        if (!(after == before))
            return u"restart: the window came back with %1 legs, scale \"%2\", marker at %3,%4, size %5x%6; it closed with %7 legs, "
                   "scale \"%8\", marker at %9,%10, size %11x%12"_qs
                .arg(after.bearings.size()).arg(after.scale.left(40)).arg(after.marker.x()).arg(after.marker.y())
                .arg(after.outer.width()).arg(after.outer.height()).arg(before.bearings.size()).arg(before.scale.left(40))
                .arg(before.marker.x()).arg(before.marker.y()).arg(before.outer.width()).arg(before.outer.height());
    }
    QCoreApplication::processEvents();
    const QString fault = m_answerer.takeFault();
    return fault.isEmpty() ? check() : fault;
}

QString Walk::check()
{
    if (!openModals().isEmpty())
        return u"modal: a modal window is still open after the step"_qs;
    const QStringList &distances = m_form->distances();
    const QStringList &bearings = m_form->bearings();
    if (distances.size() != bearings.size())
        return u"lists: %1 distances beside %2 bearings"_qs.arg(distances.size()).arg(bearings.size());
    for (qsizetype i = 0; i < bearings.size(); ++i) {
        if (const auto refusal = checkNewLeg(bearings[i], distances[i], 0, m_locale))
            return u"leg: leg %1 (\"%2\", \"%3\") is one the include refuses: %4"_qs.arg(i).arg(bearings[i], distances[i], refusal->message);
    }
    return m_redrawn ? drawnAfresh() : QString();
}

// Compares the surface and the bearing labels with a window started afresh from the same
// legs, scale and marker, made as large as the walked window's surface has become.
QString Walk::drawnAfresh()
{
    RecordingMessages quiet;
    Form1::Services services;
    services.messages = &quiet;
    services.locale = m_locale;
    Form1 fresh(services);
    static_cast<LegList *>(fresh.List1->model())->appendAll(m_form->distances());
    static_cast<LegList *>(fresh.List2->model())->appendAll(m_form->bearings());
    fresh.Text2->setText(m_form->Text2->text());
    fresh.Picture1->move(m_form->Picture1->pos());
    const QSize size = m_form->surface().deviceIndependentSize().toSize();
    fresh.resize(size);
    QResizeEvent resized(size, size);
    QCoreApplication::sendEvent(&fresh, &resized);
    fresh.Command3_Click();
    const QImage &walked = m_form->surface();
    if (fresh.surface() != walked) {
        QRect differ;
        for (int y = 0; y < qMin(walked.height(), fresh.surface().height()); ++y) {
            for (int x = 0; x < qMin(walked.width(), fresh.surface().width()); ++x) {
                if (walked.pixel(x, y) != fresh.surface().pixel(x, y))
                    differ |= QRect(x, y, 1, 1);
            }
        }
        return u"redraw: the surface (%1x%2) differs from a fresh window's (%3x%4) within %5,%6 %7x%8"_qs.arg(walked.width())
            .arg(walked.height()).arg(fresh.surface().width()).arg(fresh.surface().height()).arg(differ.x()).arg(differ.y())
            .arg(differ.width()).arg(differ.height());
    }
    if (fresh.proa.size() != m_form->proa.size())
        return u"redraw: %1 bearing labels, a fresh window has %2"_qs.arg(m_form->proa.size()).arg(fresh.proa.size());
    for (std::size_t k = 0; k < fresh.proa.size(); ++k) {
        const BearingLabel &mine = m_form->proa[k], &theirs = fresh.proa[k];
        if (mine.rect != theirs.rect || mine.text != theirs.text || mine.visible != theirs.visible)
            return u"redraw: bearing label %1 differs from a fresh window's"_qs.arg(k);
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

QString typedText(QRandomGenerator &r, int &times)
{
    const QString number = QString::number(r.bounded(400));
    const QString decimal = number + (r.bounded(2) ? u',' : u'.') + QString::number(r.bounded(100));
    switch (r.bounded(12)) {
    case 0: return {};
    case 1: times = r.bounded(1000, 5001); return QStringList{u"9"_qs, u"0"_qs, u" "_qs, u"1,5"_qs, u"a"_qs}[r.bounded(5)];
    case 2: return QStringList{u"abc"_qs, u"x"_qs, u"ç"_qs, u"90º"_qs, u"12a"_qs, u"N"_qs}[r.bounded(6)];
    case 3: return QStringList{u"-"_qs, u"+"_qs, u" -"_qs}[r.bounded(3)] + (r.bounded(2) ? number : decimal);
    case 4: return u' ' + number + u' ';
    case 5: return QStringList{u"2147483648"_qs, u"99999999999"_qs, u"0"_qs, u"0,4"_qs, u"0.5"_qs, u"359,6"_qs}[r.bounded(6)];
    case 6:
    case 7: return decimal;
    default: return number;
    }
}

// Draws the next step. Places on the window come from the controls' designed places
// and the screen, so the step replays alike in a fresh start.
Step randomStep(QRandomGenerator &r, const Form1 &form)
{
    Step s;
    s.answerMs = skewedMs(r);
    s.answer = r.bounded(4);
    const int roll = r.bounded(100);
    if (roll < 36) {
        s.kind = roll < 28 ? Retype : Type;
        s.what = roll % 3;
        s.text = typedText(r, s.times);
    } else if (roll < 50) {
        s.kind = Key;
        s.what = r.bounded(5);
    } else if (roll < 76) {
        s.kind = Click;
        s.what = roll < 62 ? 0 : r.bounded(6); // Incluir the most: courses grow
    } else if (roll < 83) {
        s.kind = Hold;
        s.what = r.bounded(2);
        s.ms = skewedMs(r);
        s.place = r.bounded(6);
    } else if (roll < 93) {
        s.kind = Drag;
        s.what = r.bounded(3);
        s.grab = QPoint(r.bounded(9), r.bounded(9));
        const QList<QWidget *> targets = form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        const QWidget *onto = targets[r.bounded(targets.size())];
        s.at = r.bounded(3) ? QPoint(r.bounded(-60, 860), r.bounded(-60, 660)) : onto->geometry().center();
    } else if (roll < 98) {
        s.kind = Resize;
        const QSize room = form.screen()->availableSize() - (form.frameGeometry().size() - form.size());
        s.at = QPoint(r.bounded(1, room.width() + 1), r.bounded(1, room.height() + 1));
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

private slots:
    void initTestCase();
    void walk();
    void foundFaults_data();
    void foundFaults();
};

void WalkTest::initTestCase()
{
    // The offscreen platform says this of every message box it shows.
    static const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
        if (!text.contains(u"propagateSizeHints"_qs))
            previous(type, context, text);
    });
}

void WalkTest::walk()
{
    const int first = setting("TREVANTO_WALK_SEED", 1);
    const int seeds = setting("TREVANTO_WALK_SEEDS", 1000);
    const int stepsPerSeed = setting("TREVANTO_WALK_STEPS", 200);
    const QDeadlineTimer budget(setting("TREVANTO_WALK_SECONDS", 20) * 1000);
    QElapsedTimer clock;
    clock.start();
    QStringList failures;
    qint64 ran = 0;
    int seed = first;
    for (; seed < first + seeds && !budget.hasExpired(); ++seed) {
        QRandomGenerator r(seed);
        const QLocale locale = r.bounded(2) ? Brazil : QLocale::c();
        QList<Step> steps;
        QString fault;
        {
            Walk walk(locale);
            while (fault.isEmpty() && steps.size() < stepsPerSeed) {
                steps << randomStep(r, walk.form());
                fault = walk.run(steps.last());
            }
        }
        ran += steps.size();
        if (fault.isEmpty())
            continue;
        const QList<Step> shortest = shrink(locale, steps, fault, QDeadlineTimer(30000));
        QString report = u"seed %1 (locale %2) failed at step %3: %4\n  shortest list (%5 steps) that still fails:"_qs.arg(seed)
                             .arg(locale.name()).arg(steps.size()).arg(fault).arg(shortest.size());
        for (const Step &step : shortest)
            report += u"\n    "_qs + describe(step);
        qWarning().noquote() << report;
        failures << report;
    }
    qInfo("walk: seeds %d to %d, %lld steps in %lld ms, %lld failed", first, seed - 1, ran, clock.elapsed(), qint64(failures.size()));
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
}

void WalkTest::foundFaults_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("steps");
}

void WalkTest::foundFaults()
{
    QFETCH(QString, locale);
    QFETCH(QStringList, steps);
    QList<Step> parsed;
    for (const QString &line : steps) {
        parsed << parseStep(line);
        QCOMPARE(describe(parsed.last()), line);
    }
    const auto [fault, at] = replay(QLocale(locale), parsed);
    QVERIFY2(fault.isEmpty(), qPrintable(u"step %1: %2"_qs.arg(at + 1).arg(fault)));
}

QTEST_MAIN(WalkTest)
#include "tst_walk.moc"
