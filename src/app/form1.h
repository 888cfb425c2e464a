#pragma once

#include "app/form1layout.h"
#include "app/outersize.h"
#include "app/messagebox.h"
#include "app/services.h"
#include "app/windowsurface.h"
#include "app/workkeeper.h"
#include "plot/courseplot.h"
#include "plot/labelpictures.h"
#include "workfile/workfile.h"

#include <QImage>
#include <QLocale>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <memory>

class LegList;

namespace trevanto {
class ProgramLauncher;
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
        QString workFileNotice = {}; // what the start tells first of the work file's lock
    };

    explicit Form1(const Services &services, QWidget *parent = nullptr);
    ~Form1() override;

    // Start-up: the start size and position, then the work file and, when it
    // existed, one redraw.
    void Form_Load();
    // Writes the work file; runs on every close of the window.
    void Form_QueryUnload();
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
    // Draws the client area as it looks now, controls included, on a painter whose units
    // are window pixels, at the painter's resolution.
    void paintClientArea(QPainter &painter);

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
    // Brings a start marker that lies outside the window's inside just inside it;
    // returns whether it moved.
    bool keepMarkerInReach();
    void windowFramed();
    void markerDropped(QPoint pos);
    void showMessage(const QString &text);
    void keepWorkOnDisk();
    void legsChanged();
    trevanto::WorkFileState workFileState() const;
    trevanto::LabelLook labelLook() const;

    Services m_services;
    LegList *m_distances; // List1's items
    LegList *m_bearings;  // List2's items
    OuterSize m_outerSize;
    WindowSurface m_surface;
    trevanto::CoursePlot m_plot; // of the last redraw that drew

    trevanto::MessageQueue m_messages;
    std::unique_ptr<trevanto::WorkKeeper> m_keeper; // none without a work file
};
