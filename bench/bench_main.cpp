// Prints the figures of the program's hot paths. Build with CMAKE_BUILD_TYPE=Release
// and run on the offscreen platform (the program sets it when no platform is given):
//   ./build/bench/trevanto_bench
// Every figure is the median of several runs, in milliseconds, with its leg count.

#include "app/form1.h"
#include "app/leglist.h"
#include "app/marker.h"
#include "app/updown.h"
#include "help/weblink.h"
#include "workfile/workfile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

QElapsedTimer processClock;

class QuietMessages : public trevanto::MessageSink
{
public:
    void showMessage(QWidget *, const QString &) override { ++count; }
    int count = 0;
};

class NoLauncher : public trevanto::ProgramLauncher
{
public:
    bool fileExists(const QString &) const override { return false; }
    bool startProgram(const QString &, int) override { return false; }
    bool openUrl(const QUrl &) override { return false; }
};

QuietMessages messages;
NoLauncher launcher;

std::unique_ptr<Form1> makeForm(const QString &workFile = QString())
{
    Form1::Services services;
    services.messages = &messages;
    services.launcher = &launcher;
    services.locale = QLocale::c();
    services.workFile = trevanto::WorkFileLocation{workFile, QString()};
    return std::make_unique<Form1>(services);
}

// Legs of 20 to 200 m at varied bearings, the same every run.
trevanto::WorkFileState course(int legs)
{
    QRandomGenerator random(20261206);
    trevanto::WorkFileState state;
    state.width = 10000;
    state.height = 8000;
    state.scale = QStringLiteral("10");
    state.markerLeft = 368;
    state.markerTop = 256;
    for (int i = 0; i < legs; ++i) {
        state.distances.append(QString::number(random.bounded(20, 201)));
        state.bearings.append(QString::number(random.bounded(0, 360)));
    }
    return state;
}

QString writeCourse(const QTemporaryDir &dir, int legs)
{
    const QString path = dir.filePath(QStringLiteral("course-%1.ini").arg(legs));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(trevanto::formatWorkFile(course(legs), QLocale::c()));
    return path;
}

double median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

double timeMs(int runs, const std::function<void()> &work, const std::function<void()> &prepare = {})
{
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i) {
        if (prepare)
            prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        samples.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return median(samples);
}

double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

void report(const char *what, int legs, double value, const char *unit = "ms")
{
    std::printf("%-62s %6d legs  %9.3f %s\n", what, legs, value, unit);
    std::fflush(stdout);
}

void showAndWait(QWidget &widget)
{
    widget.show();
    if (!QTest::qWaitForWindowExposed(&widget))
        std::fprintf(stderr, "window not exposed\n");
    QCoreApplication::processEvents();
}

// The same redraw with one label widget per leg, for comparison with the painted
// bearing labels.
double redrawWithLabelWidgets(Form1 &form)
{
    std::vector<QLabel *> widgets;
    return timeMs(3, [&] {
        for (QLabel *label : widgets)
            delete label;
        widgets.clear();
        form.Command3_Click();
        widgets.reserve(form.proa.size());
        for (std::size_t i = 1; i < form.proa.size(); ++i) {
            auto *label = new QLabel(form.proa[i].text, &form);
            label->setAutoFillBackground(true);
            label->adjustSize();
            label->move(form.proa[i].rect.topLeft());
            label->lower();
            label->show();
            widgets.push_back(label);
        }
    });
}

} // namespace

int main(int argc, char *argv[])
{
    processClock.start();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;

    {
        auto form = makeForm();
        form->Form_Load();
        showAndWait(*form);
        report("start-up to the window shown, no work file (in process)", 0, double(processClock.nsecsElapsed()) / 1e6);
        report("resident memory, idle window", 0, residentMegabytes(), "MB");
    }

    const QString full = writeCourse(dir, 32767);
    const QString almostFull = writeCourse(dir, 32766);
    const QString thousand = writeCourse(dir, 1000);

    {
        auto form = makeForm(almostFull);
        form->Form_Load();
        // An empty scale makes the redraw stop at its first test, so only the include
        // itself is timed. Each run takes the leg off again without a redraw.
        form->Text2->setText(QString());
        const double include = timeMs(
            21,
            [&] {
                form->Text4->setText(QStringLiteral("90"));
                form->Text3->setText(QStringLiteral("100"));
                form->Command1_Click();
            },
            [&] {
                auto *distances = static_cast<LegList *>(form->List1->model());
                auto *bearings = static_cast<LegList *>(form->List2->model());
                while (distances->count() > 32766) {
                    distances->removeLast();
                    bearings->removeLast();
                }
            });
        report("include one leg, redraw aside", 32766, include);
    }

    for (const auto &[path, legs] : {std::pair{thousand, 1000}, std::pair{full, 32767}}) {
        auto form = makeForm(path);
        form->Form_Load();
        showAndWait(*form);
        report("redraw (Atualizar!)", legs, timeMs(9, [&] { form->Command3_Click(); }));
        if (legs == 32767) {
            QCoreApplication::processEvents();
            report("repaint of the whole window (expose)", legs, timeMs(21, [&] { form->repaint(); }));
            report("resident memory with the course drawn", legs, residentMegabytes(), "MB");

            StartMarker *marker = form->Picture1;
            QWidget *outline = form->findChild<QWidget *>(QStringLiteral("dragOutline"));
            QTest::mousePress(marker, Qt::LeftButton, {}, QPoint(4, 4));
            int step = 0;
            const double move = timeMs(41, [&] {
                ++step;
                const QPoint at(200 + step * 3, 300 + (step % 7));
                const QPoint local = marker->mapFrom(form.get(), at);
                QMouseEvent event(QEvent::MouseMove, local, marker->mapToGlobal(local), Qt::NoButton, Qt::LeftButton,
                                  {});
                const QRect before = outline->geometry();
                QApplication::sendEvent(marker, &event);
                // Paint now, and only what the outline touched, as the next frame will.
                form->repaint(QRegion(before) | outline->geometry());
            });
            QTest::mouseRelease(marker, Qt::LeftButton, {}, QPoint(4, 4));
            report("drag: outline follows one pointer move, repaint included", legs, move);
            form->Command3_Click();
            report("redraw with one label widget per leg (comparison)", legs, redrawWithLabelWidgets(*form));
        } else {
            report("one scale step (up then down), redraw included", legs, timeMs(21, [&] {
                       form->UpDown1_UpClick();
                       form->UpDown1_DownClick();
                   }) / 2);
        }
    }

    {
        const trevanto::WorkFileState state = course(32767);
        QByteArray bytes;
        report("work file: format", 32767,
               timeMs(21, [&] { bytes = trevanto::formatWorkFile(state, QLocale::c()); }));
        report("work file: parse", 32767, timeMs(21, [&] { trevanto::parseWorkFile(bytes, QLocale::c()); }));
        const QString path = dir.filePath(QStringLiteral("trevanto.ini"));
        report("work file: write to disk (format + save)", 32767, timeMs(21, [&] {
                   trevanto::saveWorkFile(path, trevanto::formatWorkFile(state, QLocale::c()), false);
               }));
        report("work file: read from disk (load + parse)", 32767,
               timeMs(21, [&] { trevanto::loadWorkFile(path, QLocale::c()); }));

        const double startup = timeMs(5, [&] {
            auto form = makeForm(full);
            form->Form_Load();
            showAndWait(*form);
        });
        report("start-up with that file to the window shown, course drawn", 32767, startup);
    }
    return 0;
}
