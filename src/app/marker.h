#pragma once

#include <QPoint>
#include <QWidget>

class DragOutline;

// The red start marker. A press of any mouse button on it raises MouseDown; once the
// window begins the drag, an outline follows the pointer at the grab offset while the
// marker itself stays put, and the release of the last held button, wherever the
// pointer is, raises DragDrop with the pointer's place in the window.
class StartMarker : public QWidget
{
    Q_OBJECT

public:
    explicit StartMarker(QWidget *parent);

    // Shows the outline over the marker; it follows the pointer until the drop.
    void beginDrag(QPoint grabOffset);

signals:
    void MouseDown(QPoint grabOffset);
    void DragDrop(QPoint windowPos);
    // The marker has moved to a new place.
    void Moved();

protected:
    void paintEvent(QPaintEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    DragOutline *m_outline; // a sibling, so that it can leave the marker
    QPoint m_grabOffset;
    bool m_pressed = false;  // a button is held since a press on the marker
    bool m_dragging = false; // and the window has begun the drag
};

// The dotted outline that follows the pointer during a drag of the start marker. It
// never takes the mouse, so the drop point is looked up beneath it.
class DragOutline : public QWidget
{
    Q_OBJECT

public:
    explicit DragOutline(QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};
