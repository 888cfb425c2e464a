#include "marker.h"

#include <QMouseEvent>
#include <QPainter>

StartMarker::StartMarker(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void StartMarker::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(255, 0, 0));
}

void StartMarker::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (m_dragging)
        return; // a second button during a drag changes nothing
    m_dragging = true;
    if (onPress)
        onPress(event->position().toPoint());
}

void StartMarker::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    if (m_dragging && onDragMove)
        onDragMove(event->globalPosition().toPoint());
}

void StartMarker::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    // The drag ends when the last held button is released.
    if (!m_dragging || event->buttons() != Qt::NoButton)
        return;
    m_dragging = false;
    if (onRelease)
        onRelease(event->globalPosition().toPoint());
}

DragOutline::DragOutline(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
}

void DragOutline::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
