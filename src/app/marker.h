#pragma once

#include <QWidget>

#include <functional>

// The red start marker. A press of any mouse button starts a drag; while the button
// is held the marker receives every move and the release, wherever the pointer is.
class StartMarker : public QWidget
{
public:
    explicit StartMarker(QWidget *parent = nullptr);

    std::function<void(QPoint grabOffset)> onPress;
    std::function<void(QPoint globalPos)> onDragMove;
    std::function<void(QPoint globalPos)> onRelease;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_dragging = false;
};

// The outline that follows the pointer during a drag of the start marker.
class DragOutline : public QWidget
{
public:
    explicit DragOutline(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
