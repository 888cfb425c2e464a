#pragma once

// Shared pieces of the main-window suites: recorders for the window's seams and a
// window built with them.

#include "app/form1.h"
#include "app/services.h"
#include "help/weblink.h"

#include <QImage>
#include <QStringList>
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
