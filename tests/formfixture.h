#pragma once

// Shared pieces of the main-window suites: recorders for the window's seams, a window
// built with them, and what the suites do to it and look at in it.

#include "app/form1.h"
#include "app/logoimage.h"
#include "app/services.h"
#include "help/weblink.h"

#include <QImage>
#include <QLabel>
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
    // Without a printer Imprimir does nothing.
    explicit FormFixture(const QLocale &locale = QLocale::c(), const trevanto::WorkFileLocation &workFile = {},
                         trevanto::PagePrinter *printer = nullptr)
    {
        Form1::Services services;
        services.messages = &messages;
        services.printer = printer;
        services.launcher = &launcher;
        services.workFile = workFile;
        services.locale = locale;
        form = std::make_unique<Form1>(services);
    }

    RecordingMessages messages;
    RecordingLauncher launcher;
    std::unique_ptr<Form1> form;
};

// The finish target's fill.
inline const QColor Green(0, 192, 0);

// Fills the two entry boxes and presses Incluir with the mouse.
inline void include(Form1 &form, const char *bearing, const char *distance)
{
    form.Text4->setText(QString::fromUtf8(bearing));
    form.Text3->setText(QString::fromUtf8(distance));
    QTest::mouseClick(form.Command1, Qt::LeftButton);
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
