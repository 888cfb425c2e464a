#pragma once

#include "app/services.h"
#include "plot/courseplot.h"
#include "plot/plotsurface.h"
#include "workfile/workfile.h"

#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QFrame;
class QLineEdit;
class QListView;
class QPushButton;
class LegList;
class StartMarker;
class DragOutline;
class UpDown;

namespace trevanto {
class ProgramLauncher;
}

// The logo: a picture that opens the organisation's site when clicked.
class LogoImage : public QLabel
{
public:
    explicit LogoImage(QWidget *parent = nullptr);

    std::function<void()> onClick;
    std::function<void()> onMouseMove;

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};

// The main window: the leg lists with their entry boxes, the command buttons, the
// scale with its arrows, the header, the logo, the north indicator and the start
// marker over a persistent drawing surface that holds the plotted course.
class Form1 : public QWidget
{
public:
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

    // Twips per pixel of the window's outer size and position.
    static constexpr double TwipsPerPixel = 15.0;

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

    // The plot angle of leg intCont, from its bearing in List2; NaN when the text
    // is not a number.
    double grau(std::int16_t intCont) const;

    // The window's outer size in twips, as the work file keeps it.
    void setWidthTwips(double twips);
    void setHeightTwips(double twips);

    const QStringList &distances() const; // List1
    const QStringList &bearings() const;  // List2
    const QImage &surface() const { return m_plot.image(); }
    // The client area as it looks now, controls included.
    QImage clientImage();

    // The controls, by the names the handlers use.
    QListView *List2;
    QListView *List1;
    QLineEdit *Text4;
    QLineEdit *Text3;
    QPushButton *Command1;
    QPushButton *Command2;
    QPushButton *Command3;
    QPushButton *Command4;
    QPushButton *Command6;
    QPushButton *Command5;
    QLineEdit *Text2;
    QLabel *Label1;
    QLabel *Label3;
    QLabel *Label4;
    StartMarker *Picture1;
    QLabel *Picture2;
    QLabel *Label5;
    QLabel *Label6;
    QLabel *Label7;
    QLabel *Label8;
    UpDown *UpDown1;
    LogoImage *Image1;
    QFrame *Line1;
    QFrame *Line2;

    // Bearing labels of the plot: element 0 is the hidden template, element i + 1
    // belongs to leg i.
    std::vector<trevanto::BearingLabel> proa;

    // Called after every redraw that recreated the bearing labels.
    std::function<void()> onBearingLabelsRedrawn;

    // The pen: the start of the leg being drawn, left at the last end point.
    std::int32_t lngPenX = 0;
    std::int32_t lngPenY = 0;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void loadWorkFile();
    void applyOuterSize();
    void syncTwipsFromWindow();
    void ensureSurfaceCovers(QSize size);
    void dragMove(QPoint globalPos);
    void finishDrag(QPoint globalPos);
    bool isBareSurface(QPoint pos) const;
    void showMessage(const QString &text);

    Services m_services;
    LegList *m_distances; // List1's items
    LegList *m_bearings;  // List2's items
    DragOutline *m_outline;
    QPoint m_grabOffset;
    trevanto::PlotSurface m_plot;
    float m_widthTwips = 0;
    float m_heightTwips = 0;
    QSize m_appliedOuterSize; // the outer size last set from the twips
    QSize m_frameMargins;
    bool m_applyingSize = false;
    bool m_keepBackup = false; // keep the file found at start beside the new one
};
