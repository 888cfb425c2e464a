#pragma once

#include "plot/courseplot.h"

#include <vector>

class QAbstractItemModel;
class QIcon;
class QPoint;
class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QWidget;
class LogoImage;
class SharpPicture;
class StartMarker;
class UpDown;

// The program's icon: hand-drawn pictures for the small sizes, the drawing for the rest.
// Every window of the program shows it, the messages before the main window included.
QIcon programIcon();

// The main window's controls at their designed places, by the names the handlers use,
// in the order of the tab chain. Like a form drawn in a designer it only builds the
// controls and the window's own look; the window wires their events to its handlers.
class Form1Layout
{
public:
    QListView *List2 = nullptr; // the bearings
    QListView *List1 = nullptr; // the distances
    QLineEdit *Text4 = nullptr; // the next leg's bearing
    QLineEdit *Text3 = nullptr; // the next leg's distance
    QPushButton *Command1 = nullptr; // Incluir
    QPushButton *Command2 = nullptr; // Excluir
    QPushButton *Command3 = nullptr; // Atualizar!
    QPushButton *Command4 = nullptr; // Imprimir
    QPushButton *Command6 = nullptr; // Ajuda...
    QPushButton *Command5 = nullptr; // FIM
    QLineEdit *Text2 = nullptr;      // the scale
    QLabel *Label1 = nullptr;        // "Zoom: "
    QLabel *Label3 = nullptr;        // "Metragem"
    QLabel *Label4 = nullptr;        // "Direção"
    StartMarker *Picture1 = nullptr; // the start marker
    SharpPicture *Picture2 = nullptr; // the north indicator
    QLabel *Label5 = nullptr;        // the program's title
    QLabel *Label6 = nullptr;        // the organisation's name
    QLabel *Label7 = nullptr;        // the site's address
    QLabel *Label8 = nullptr;        // the help contact
    UpDown *UpDown1 = nullptr;       // the zoom arrows
    LogoImage *Image1 = nullptr;     // the organisation's logo
    QFrame *Line1 = nullptr;
    QFrame *Line2 = nullptr;

    // Bearing labels of the plot: element 0 is the hidden template, element i + 1
    // belongs to leg i.
    std::vector<trevanto::BearingLabel> proa;

    // Whether the point of the window shows the window's own surface, the plot's lines
    // and the rules included: no control, no bearing label and nothing outside it.
    bool showsSurface(const QWidget *form, QPoint pos) const;

    // Gives `form` its title, icon, font and background and makes the controls on it;
    // the lists show the two models.
    void setupLayout(QWidget *form, QAbstractItemModel *distances, QAbstractItemModel *bearings);
};
