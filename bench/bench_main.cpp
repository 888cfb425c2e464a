// Prints the figures of the program's hot paths. Build with CMAKE_BUILD_TYPE=Release
// and run on the offscreen platform (the program sets it when no platform is given):
//   ./build/bench/trevanto_bench                 its own courses
//   ./build/bench/trevanto_bench --course FILE   the course of a work file
//   ./build/bench/trevanto_bench --write-course FILE   writes its 32,767-leg course
//   ./build/bench/trevanto_bench --write-behind  only the work file written behind the user
// Every figure is the median of several runs, in milliseconds, with its leg count. The
// redraw is shown beside a plain reference: the same lines, circles and labels written
// straight into an image, measured in the same run.

#include "app/form1.h"
#include "app/leglist.h"
#include "app/marker.h"
#include "app/updown.h"
#include "common/numbers.h"
#include "help/weblink.h"
#include "plot/courseplot.h"
#include "workfile/workfile.h"
#include "workfile/workfilewriter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <numbers>
#include <vector>

using namespace trevanto;

namespace {

QElapsedTimer processClock;

class QuietMessages : public MessageSink
{
public:
    void showMessage(QWidget *, const QString &) override { ++count; }
    int count = 0;
};

class NoLauncher : public ProgramLauncher
{
public:
    bool fileExists(const QString &) const override { return false; }
    bool startProgram(const QString &, int) override { return false; }
    bool openUrl(const QUrl &) override { return false; }
};

QuietMessages messages;
NoLauncher launcher;

std::unique_ptr<Form1> makeForm(const QString &workFile, const QLocale &locale)
{
    Form1::Services services;
    services.messages = &messages;
    services.launcher = &launcher;
    services.locale = locale;
    services.workFile = WorkFileLocation{workFile, QString()};
    return std::make_unique<Form1>(services);
}

// A course that stays on the sheet, as real ones do: legs of 20 to 200 m at whole
// bearings, a sixth of them with half a degree, turning back towards the middle of
// the window whenever the pen has left a 660 x 500 box around the client area.
// With `wandering`, legs of 20 to 200 m at any whole bearing that soon leave the
// window. The same every run.
WorkFileState course(int legs, bool wandering)
{
    QRandomGenerator random(20261206);
    WorkFileState state;
    state.width = 10000;
    state.height = 8000;
    state.scale = QStringLiteral("10");
    state.markerLeft = 368;
    state.markerTop = 256;
    PlotPoint pen = *penStart(state.markerLeft, state.markerTop);
    for (int i = 0; i < legs; ++i) {
        const int distance = random.bounded(20, 201);
        double bearing = random.bounded(0, 360);
        const bool outside = pen.x < 0 || pen.x >= 660 || pen.y < 0 || pen.y >= 500;
        if (!wandering && outside) {
            const double towards = std::atan2(330.0 - pen.x, pen.y - 250.0) * 180.0 / std::numbers::pi;
            bearing = std::fmod(std::round(towards) + 360.0, 360.0);
        }
        if (!wandering && i % 6 == 5)
            bearing += 0.5;
        state.distances.append(QString::number(distance));
        state.bearings.append(QString::number(bearing, 'f', bearing == std::trunc(bearing) ? 0 : 1));
        pen = legEndPointFromValues(pen, distance, 10.0, grau(float(bearing))).value_or(pen);
    }
    return state;
}

QString writeCourse(const QTemporaryDir &dir, const WorkFileState &state, const QString &name)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(formatWorkFile(state, QLocale::c()));
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

// The reference drawing: the course's lines, turning-point circles, finish target and
// labels written into an image by the plainest code there is, after clearing the same
// area, with the pictures of the rings and of each leg's label made beforehand.
class ReferenceDrawing
{
public:
    ReferenceDrawing(const Form1 &form, const CoursePlot &plot)
        : m_plot(plot)
        , m_image(form.surface().size(), QImage::Format_ARGB32_Premultiplied)
        , m_background(form.palette().color(QPalette::Button).rgba())
    {
        m_image.fill(m_background);
        for (int radius = 0; radius <= 5; ++radius) {
            QImage ring(11, 11, QImage::Format_ARGB32_Premultiplied);
            ring.fill(Qt::white);
            QPainter painter(&ring);
            painter.setPen(Qt::black);
            if (radius == 0)
                painter.drawPoint(5, 5);
            else
                painter.drawEllipse(QPoint(5, 5), radius, radius);
            painter.end();
            for (int y = 0; y < 11; ++y)
                for (int x = 0; x < 11; ++x)
                    if (ring.pixel(x, y) == qRgb(0, 0, 0))
                        m_rings[radius].push_back(QPoint(x - 5, y - 5));
        }
        const QFontMetrics metrics(form.font());
        for (const QString &text : form.bearings()) {
            if (m_labels.contains(text))
                continue;
            QImage label(metrics.horizontalAdvance(text), metrics.height(), QImage::Format_ARGB32_Premultiplied);
            label.fill(m_background);
            QPainter painter(&label);
            painter.setFont(form.font());
            painter.drawText(label.rect(), Qt::AlignLeft | Qt::AlignTop, text);
            m_labels.insert(text, label);
        }
        for (qsizetype i = 0; i < qsizetype(plot.legs.size()); ++i)
            m_legLabels.push_back(&*m_labels.constFind(form.bearings().at(i)));
        for (const PlotLeg &leg : plot.legs)
            m_area |= QRect(leg.to.x - 5, leg.to.y - 5, 11, 11);
        m_area &= m_image.rect();
    }

    void draw()
    {
        m_bits = m_image.bits();
        m_stride = m_image.bytesPerLine();
        m_width = m_image.width();
        m_height = m_image.height();
        for (int y = m_area.top(); y <= m_area.bottom(); ++y)
            std::fill_n(reinterpret_cast<QRgb *>(m_image.scanLine(y)) + m_area.left(), m_area.width(), m_background);
        const std::size_t count = m_plot.legs.size();
        for (std::size_t i = 0; i < count; ++i) {
            const PlotLeg &leg = m_plot.legs[i];
            line(leg.from.x, leg.from.y, leg.to.x, leg.to.y);
            if (i + 1 == count) {
                ring(leg.to, 5, qRgb(0, 0, 0));
                for (int radius = 4; radius >= 0; --radius)
                    ring(leg.to, radius, qRgb(0, 192, 0));
            } else {
                ring(leg.to, 3, qRgb(0, 0, 0));
            }
        }
        for (std::size_t i = 0; i < count; ++i) {
            const QImage &label = *m_legLabels[i];
            const QRect rect = QRect(QPoint(m_plot.legs[i].labelCorner.x, m_plot.legs[i].labelCorner.y),
                                     label.size()) & m_image.rect();
            for (int y = rect.top(); y <= rect.bottom(); ++y)
                std::memcpy(m_image.scanLine(y) + rect.left() * 4,
                            label.constScanLine(y - m_plot.legs[i].labelCorner.y)
                                + (rect.left() - m_plot.legs[i].labelCorner.x) * 4,
                            std::size_t(rect.width()) * 4);
        }
    }

private:
    void set(int x, int y, QRgb colour)
    {
        if (x >= 0 && y >= 0 && x < m_width && y < m_height)
            reinterpret_cast<QRgb *>(m_bits + qsizetype(y) * m_stride)[x] = colour;
    }

    // Bresenham's line.
    void line(int x0, int y0, int x1, int y1)
    {
        const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
        const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
        int error = dx + dy;
        for (;;) {
            set(x0, y0, qRgb(0, 0, 0));
            if (x0 == x1 && y0 == y1)
                return;
            const int twice = 2 * error;
            if (twice >= dy) {
                error += dy;
                x0 += sx;
            }
            if (twice <= dx) {
                error += dx;
                y0 += sy;
            }
        }
    }

    void ring(PlotPoint centre, int radius, QRgb colour)
    {
        for (const QPoint offset : m_rings[radius])
            set(centre.x + offset.x(), centre.y + offset.y(), colour);
    }

    const CoursePlot &m_plot;
    QImage m_image;
    QRgb m_background;
    std::vector<QPoint> m_rings[6];
    QHash<QString, QImage> m_labels;
    std::vector<const QImage *> m_legLabels; // each leg's label picture, looked up beforehand
    QRect m_area;
    uchar *m_bits = nullptr;
    qsizetype m_stride = 0;
    int m_width = 0;
    int m_height = 0;
};

CoursePlot plotOf(const Form1 &form)
{
    return plotCourse(*penStart(float(form.Picture1->x()), float(form.Picture1->y())), form.distances(),
                      form.bearings(), form.Text2->text(), QLocale::c());
}

// Times the redraw of the course the form holds beside the reference drawing of the
// same legs; returns the reference's time.
double redrawBesideReference(Form1 &form, const char *what)
{
    const int legs = int(form.distances().size());
    const CoursePlot plot = plotOf(form);
    ReferenceDrawing reference(form, plot);
    // Taken in turns, so that both see the same machine.
    std::vector<double> redraws;
    std::vector<double> plains;
    for (int run = 0; run < 15; ++run) {
        redraws.push_back(timeMs(1, [&] { form.Command3_Click(); }));
        plains.push_back(timeMs(1, [&] { reference.draw(); }));
    }
    const double redraw = median(redraws);
    const double plain = median(plains);
    report(what, legs, redraw);
    report("  reference drawing, same legs (plain, into a QImage)", legs, plain);
    report("  redraw / reference", legs, redraw / plain, "x");
    return plain;
}

void measureIncluir(const QString &path, double reference)
{
    auto form = makeForm(path, QLocale::c());
    form->Form_Load();
    auto *distances = static_cast<LegList *>(form->List1->model());
    auto *bearings = static_cast<LegList *>(form->List2->model());
    const int before = distances->count();
    const double include = timeMs(
        15,
        [&] {
            form->Text4->setText(QStringLiteral("90"));
            form->Text3->setText(QStringLiteral("100"));
            form->Command1_Click();
        },
        [&] {
            while (distances->count() > before) {
                distances->removeLast();
                bearings->removeLast();
            }
        });
    report("Incluir of one leg, redraw included", before, include);
    report("  Incluir / reference drawing", before, include / reference, "x");
}

void measureWindow(Form1 &form)
{
    const int legs = int(form.distances().size());
    report("one scale step (up then down, each redrawing), per step", legs, timeMs(9, [&] {
               form.UpDown1_UpClick();
               form.UpDown1_DownClick();
           }) / 2);
    QCoreApplication::processEvents();
    report("repaint of the whole window (expose)", legs, timeMs(21, [&] { form.repaint(); }));
    report("resident memory with the course drawn", legs, residentMegabytes(), "MB");

    StartMarker *marker = form.Picture1;
    QWidget *outline = form.findChild<QWidget *>(QStringLiteral("dragOutline"));
    QTest::mousePress(marker, Qt::LeftButton, {}, QPoint(4, 4));
    int step = 0;
    const double move = timeMs(41, [&] {
        ++step;
        const QPoint at(200 + step * 3, 300 + (step % 7));
        const QPoint local = marker->mapFrom(&form, at);
        QMouseEvent event(QEvent::MouseMove, local, marker->mapToGlobal(local), Qt::NoButton, Qt::LeftButton, {});
        const QRect before = outline->geometry();
        QApplication::sendEvent(marker, &event);
        // Paint now, and only what the outline touched, as the next frame will.
        form.repaint(QRegion(before) | outline->geometry());
    });
    QTest::mouseRelease(marker, Qt::LeftButton, {}, QPoint(4, 4));
    report("drag: outline follows one pointer move, repaint included", legs, move);
}

// The work file written behind the user's back: what the window's thread spends on it
// (the bytes), what the writer's thread spends (the safe replace, flushed to the disk),
// and how long after a change the file holds it.
void measureWriteBehind(const QString &course)
{
    // Beside the bench, on the disk: /tmp may be held in memory.
    QTemporaryDir dir(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("bench-XXXXXX")));
    const QString path = dir.filePath(QStringLiteral("trevanto.ini"));
    QFile::copy(course, path);
    {
        auto loaded = std::make_unique<Form1>(Form1::Services{&messages, nullptr, &launcher, {path, path}, QLocale::c()});
        loaded->Form_Load();
        const WorkFileState state{loaded->distances(), loaded->bearings(), 10000, 8000, loaded->Text2->text(), 368, 256};
        QByteArray bytes;
        report("write-behind: the bytes, on the writer's thread", int(state.distances.size()),
               timeMs(15, [&] { bytes = formatWorkFile(state, QLocale::c()); }));
        WorkFileSaves saves(WorkFileLocation{path, path}, true);
        WorkFileWriter writer([&saves](const QByteArray &bytes) { return saves.save(bytes); }, QLocale::c(),
                              std::chrono::hours(1), {});
        // A change hands over the lists as they stand: what the window's thread pays.
        WorkFileState changed = state;
        report("write-behind: handing a change over, on the window's thread", int(state.distances.size()),
               timeMs(15, [&] {
                   changed.scale = changed.scale == state.scale ? QStringLiteral("11") : state.scale;
                   writer.changed(changed);
               }));
        report("write-behind: the bytes and the safe replace with fsync, on the writer's thread",
               int(state.distances.size()), timeMs(15, [&] { writer.writeNow(state); }));
        // From Incluir to the file holding the new leg, the half second's wait included.
        std::vector<double> delays;
        const auto holds = [&](const QByteArray &leg) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) && file.readAll().contains(leg);
        };
        for (int run = 0; run < 5; ++run) {
            QElapsedTimer clock;
            loaded->Text4->setText(QStringLiteral("90"));
            loaded->Text3->setText(QString::number(1000 + run));
            clock.start();
            loaded->Command1_Click();
            const QByteArray leg = QByteArray::number(1000 + run) + ";\r\n";
            while (!holds(leg) && clock.elapsed() < 10000)
                QTest::qWait(1);
            delays.push_back(double(clock.nsecsElapsed()) / 1e6);
            loaded->Command2_Click(); // room for the next one, once written
            while (holds(leg) && clock.elapsed() < 20000)
                QTest::qWait(1);
        }
        report("write-behind: from Incluir to the file holding the leg", int(loaded->distances().size()), median(delays));
    }
}

// Types legs as a quick hand does, an event every 30 ms, into a window whose work is
// written behind it and into one that writes nothing: the delay of each event (how late
// it is handled, and for how long) tells whether the writing is felt.
void measureTyping(const QString &course)
{
    QTemporaryDir dir(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("bench-XXXXXX")));
    const QString path = dir.filePath(QStringLiteral("trevanto.ini"));
    // In turns, each time on the same course.
    for (const QString &workFile : {path, QString(), path, QString()}) {
        QFile::remove(path);
        QFile::copy(course, path);
        auto form = std::make_unique<Form1>(Form1::Services{&messages, nullptr, &launcher, {course, workFile}, QLocale::c()});
        form->Form_Load();
        showAndWait(*form);
        const int before = int(form->distances().size());
        std::vector<double> keys;     // keystrokes and focus changes
        std::vector<double> includes; // Incluir, each redrawing the course
        const auto event = [&](std::vector<double> &delays, const std::function<void()> &send) {
            QElapsedTimer clock;
            clock.start();
            QTest::qWait(30);
            send();
            delays.push_back(double(clock.nsecsElapsed()) / 1e6 - 30);
        };
        for (int leg = 0; leg < 100; ++leg) {
            event(keys, [&] { form->Text4->setFocus(); });
            for (const char c : QByteArray("90"))
                event(keys, [&] { QTest::keyClick(form->Text4, c); });
            event(keys, [&] { form->Text3->setFocus(); });
            for (const char c : QByteArray("100"))
                event(keys, [&] { QTest::keyClick(form->Text3, c); });
            event(includes, [&] { QTest::mouseClick(form->Command1, Qt::LeftButton); });
        }
        const QString where = workFile.isEmpty() ? QStringLiteral("nothing written") : QStringLiteral("written behind");
        for (auto &[what, delays] : {std::pair{"keys", &keys}, std::pair{"Incluir", &includes}}) {
            std::sort(delays->begin(), delays->end());
            std::printf("%-72s %6d legs %10.3f ms median, %.3f ms at the 95th percentile, %.3f ms at most\n",
                        qPrintable(QStringLiteral("typing 100 legs, %1, delay of each event: %2").arg(where, QLatin1StringView(what))),
                        before, median(*delays), (*delays)[delays->size() * 95 / 100], delays->back());
        }
    }
}

int measureFile(const QString &path)
{
    auto form = makeForm(path, QLocale::system());
    form->Form_Load();
    showAndWait(*form);
    if (form->distances().isEmpty()) {
        std::fprintf(stderr, "%s holds no legs\n", qPrintable(path));
        return 1;
    }
    redrawBesideReference(*form, "redraw (Atualizar!)");
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    processClock.start();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && arguments.at(1) == QStringLiteral("--course"))
        return measureFile(arguments.at(2));
    if (arguments.size() == 3 && arguments.at(1) == QStringLiteral("--write-course")) {
        QFile file(arguments.at(2));
        return file.open(QIODevice::WriteOnly) && file.write(formatWorkFile(course(32767, false), QLocale::c())) > 0 ? 0 : 1;
    }
    if (arguments.size() == 2 && arguments.at(1) == QStringLiteral("--write-behind")) {
        QTemporaryDir dir;
        measureWriteBehind(writeCourse(dir, course(32766, false), QStringLiteral("dense-32766.ini")));
        measureTyping(writeCourse(dir, course(32667, false), QStringLiteral("dense-32667.ini")));
        return 0;
    }
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: trevanto_bench [--course FILE | --write-course FILE | --write-behind]\n");
        return 2;
    }

    {
        auto form = makeForm(QString(), QLocale::c());
        form->Form_Load();
        showAndWait(*form);
        report("first start-up to the window shown, no work file (in process)", 0,
               double(processClock.nsecsElapsed()) / 1e6);
    }

    QTemporaryDir dir;
    const QString full = writeCourse(dir, course(32767, false), QStringLiteral("dense-32767.ini"));
    const QString almostFull = writeCourse(dir, course(32766, false), QStringLiteral("dense-32766.ini"));
    const QString thousand = writeCourse(dir, course(1000, false), QStringLiteral("dense-1000.ini"));
    const QString wandering = writeCourse(dir, course(32767, true), QStringLiteral("wandering-32767.ini"));

    {
        auto form = makeForm(thousand, QLocale::c());
        form->Form_Load();
        showAndWait(*form);
        redrawBesideReference(*form, "redraw (Atualizar!)");
    }
    double reference = 0;
    {
        auto form = makeForm(full, QLocale::c());
        form->Form_Load();
        showAndWait(*form);
        reference = redrawBesideReference(*form, "redraw (Atualizar!)");
        measureWindow(*form);
    }
    measureIncluir(almostFull, reference);
    measureWriteBehind(almostFull);
    measureTyping(writeCourse(dir, course(32667, false), QStringLiteral("dense-32667.ini")));
    {
        auto form = makeForm(wandering, QLocale::c());
        form->Form_Load();
        showAndWait(*form);
        redrawBesideReference(*form, "redraw (Atualizar!), wandering course");
    }
    // Start-up in turns with and without the course: the difference is what the course costs.
    std::vector<double> empty;
    std::vector<double> dense;
    for (int run = 0; run < 7; ++run) {
        for (const auto &[path, samples] : {std::pair{QString(), &empty}, std::pair{full, &dense}}) {
            samples->push_back(timeMs(1, [&] {
                auto form = makeForm(path, QLocale::c());
                form->Form_Load();
                showAndWait(*form);
            }));
        }
    }
    report("start-up to the window shown, no work file (in process)", 0, median(empty));
    report("start-up to the window shown, dense course (in process)", 32767, median(dense));
    report("  the course's cost / reference drawing", 32767, (median(dense) - median(empty)) / reference, "x");
    return 0;
}
