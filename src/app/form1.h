#pragma once

#include "app/form1layout.h"
#include "app/outersize.h"
#include "app/services.h"
#include "app/windowsurface.h"
#include "workfile/workfile.h"

#include <QImage>
#include <QLocale>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

class LegList;

namespace trevanto {
class ProgramLauncher;
class WorkFileWriter;
}

// The main window: the leg lists with their entry boxes, the command buttons, the
// scale with its arrows, the header, the logo, the north indicator and the start
// marker (its controls and their places are Form1Layout's) over a persistent drawing
// surface that holds the plotted course. Its handlers are the program.
class Form1 : public QWidget, public Form1Layout
{
    Q_OBJECT

public:
    // What the window is given of the platform.
    struct Services
    {
        trevanto::MessageSink *messages = nullptr;
        trevanto::PagePrinter *printer = nullptr;
        trevanto::ProgramLauncher *launcher = nullptr;
        trevanto::WorkFileLocation workFile; // empty paths: no work file
        QLocale locale = QLocale::system();
    };

    explicit Form1(const Services &services, QWidget *parent = nullptr);
    ~Form1() override;

    // Start-up: the start size and position, then the work file and, when it
    // existed, one redraw.
    void Form_Load();
    // Writes the work file; runs on every close of the window.
    void Form_QueryUnload();
    // Writes the work file now, as the close does, when the desktop session asks for it.
    void saveForSession();
    // A drop of the start marker on the window's own surface at (X, Y).
    void Form_DragDrop(int X, int Y);

    void Command1_Click(); // Incluir
    void Command2_Click(); // Excluir
    void Command3_Click(); // Atualizar!: the one redraw
    void Command4_Click(); // Imprimir
    void Command5_Click(); // FIM
    void Command6_Click(); // Ajuda...
    void UpDown1_UpClick();
    void UpDown1_DownClick();
    void Picture1_MouseDown(QPoint grabOffset);
    void Image1_Click();
    void Image1_MouseMove();

    const QStringList &distances() const; // List1
    const QStringList &bearings() const;  // List2
    const QImage &surface() const { return m_surface.plot().image(); }
    // The client area as it looks now, controls included.
    QImage clientImage();

    // The pen: the start of the leg being drawn, left at the last end point.
    std::int32_t lngPenX = 0;
    std::int32_t lngPenY = 0;

signals:
    // A redraw has made the bearing labels again.
    void bearingLabelsRedrawn();

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void restore(const trevanto::WorkFileContent &content);
    void markerDropped(QPoint pos);
    bool isBareSurface(QPoint pos) const;
    void showMessage(const QString &text);
    void runModal(const std::function<void()> &modal);

    // Keeping the work on disk: every change is written within a second, in the
    // background, and the close writes it once more.
    void keepWorkOnDisk();
    void workChanged();
    void saveInBackground();
    void savedInBackground(const trevanto::SaveReport &report, quint64 version);
    QByteArray workFileBytes() const;

    Services m_services;
    LegList *m_distances; // List1's items
    LegList *m_bearings;  // List2's items
    OuterSize m_outerSize;
    WindowSurface m_surface;

    bool m_modalOpen = false;   // a message or the help is open
    QStringList m_waitingMessages; // said while it was, shown after it

    std::unique_ptr<trevanto::WorkFileWriter> m_writer; // none without a work file
    QTimer m_saveTimer;
    quint64 m_version = 1;      // counts the changes of the work; none is on disk at first
    quint64 m_savedVersion = 0; // the version the work file holds
    QString m_lastSaveMessage;  // said of the last save in the background
};
