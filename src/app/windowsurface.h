#pragma once

#include "plot/plotsurface.h"

#include <QObject>

class QWidget;

// The main window's drawing surface over the window's lifetime. Nothing redraws on a
// resize, so the surface covers the whole desktop from the start: what the redraw drew
// beyond the window's edge is there when the window grows. It never grows beyond the
// desktop, whatever the window's size. On a screen of another
// density it is made again at that density, holding what it held, until the next
// redraw draws it anew. The window repaints itself from it.
class WindowSurface : public QObject
{
public:
    explicit WindowSurface(QWidget *window);

    trevanto::PlotSurface &plot() { return m_plot; }
    const trevanto::PlotSurface &plot() const { return m_plot; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void cover();

    QWidget *m_window;
    trevanto::PlotSurface m_plot;
};
