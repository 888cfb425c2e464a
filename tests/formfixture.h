#pragma once

// Shared pieces of the main-window suites: recorders for the window's seams, a window
// built with them, and what the suites do to it and look at in it.

#include "app/form1.h"
#include "app/services.h"
#include "help/weblink.h"

#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>
#include <QStringList>
#include <QTest>
#include <QWidget>

#include <memory>

class RecordingMessages : public trevanto::MessageSink
{
public:
    void showMessage(QWidget *, const QString &text) override { texts.append(text); }
    QStringList texts;
};

class RecordingPrinter : public trevanto::PagePrinter
{
public:
    trevanto::PrintOutcome printPage(const QImage &page) override
    {
        pages.append(page);
        return outcome;
    }
    QList<QImage> pages;
    trevanto::PrintOutcome outcome;
};

class RecordingLauncher : public trevanto::ProgramLauncher
{
public:
    bool fileExists(const QString &) const override { return false; }
    bool startProgram(const QString &commandLine, int) override
    {
        started.append(commandLine);
        return true;
    }
    bool openUrl(const QUrl &url) override
    {
        started.append(url.toString());
        return true;
    }
    QStringList started;
};

struct FormFixture
{
    explicit FormFixture(const QLocale &locale = QLocale::c(), const trevanto::WorkFileLocation &workFile = {},
                         trevanto::PagePrinter *realPrinter = nullptr)
    {
        Form1::Services services;
        services.messages = &messages;
        services.printer = realPrinter ? realPrinter : &printer;
        services.launcher = &launcher;
        services.workFile = workFile;
        services.locale = locale;
        form = std::make_unique<Form1>(services);
    }

    RecordingMessages messages;
    RecordingPrinter printer;
    RecordingLauncher launcher;
    std::unique_ptr<Form1> form;
};

// The finish target's fill.
inline const QColor Green(0, 192, 0);

// Fills the two entry boxes and presses Incluir with the mouse.
inline void include(Form1 &form, const QString &bearing, const QString &distance)
{
    form.Text4->setText(bearing);
    form.Text3->setText(distance);
    QTest::mouseClick(form.Command1, Qt::LeftButton);
}

inline void include(Form1 &form, const char *bearing, const char *distance)
{
    include(form, QString::fromUtf8(bearing), QString::fromUtf8(distance));
}

// Shows the window and returns whether it became the active window.
inline bool showActive(QWidget &window)
{
    window.show();
    return QTest::qWaitForWindowActive(&window);
}

inline QColor pixel(const Form1 &form, int x, int y)
{
    return form.surface().pixelColor(x, y);
}

inline bool isBlack(const Form1 &form, int x, int y)
{
    return pixel(form, x, y) == QColor(Qt::black);
}

// Adds the columns "name" and "geometry" and one row per control at its designed place,
// in window pixels.
inline void addDesignedGeometryRows()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    const std::pair<const char *, QRect> places[] = {
        {"List2", {8, 24, 41, 134}},     {"List1", {56, 24, 49, 134}},    {"Text4", {8, 160, 41, 19}},
        {"Text3", {56, 160, 49, 19}},    {"Command1", {8, 184, 97, 17}},  {"Command2", {8, 200, 97, 17}},
        {"Command3", {8, 216, 97, 17}},  {"Command4", {8, 232, 97, 17}},  {"Command6", {8, 248, 97, 17}},
        {"Command5", {8, 264, 97, 17}},  {"Text2", {48, 292, 37, 19}},    {"Picture1", {368, 256, 9, 9}},
        {"Picture2", {8, 416, 35, 68}},  {"UpDown1", {83, 292, 16, 19}},  {"Image1", {8, 320, 94, 94}},
        {"Line1", {112, 48, 297, 1}},    {"Line2", {112, 92, 297, 1}},
    };
    for (const auto &[name, rect] : places)
        QTest::newRow(name) << QString::fromUtf8(name) << rect;
}
