#include "marker.h"

#include <QMouseEvent>
#include <QPainter>

#include <utility>

StartMarker::StartMarker(QWidget *parent)
    : QWidget(parent)
    , m_outline(new DragOutline(parent))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void StartMarker::beginDrag(QPoint grabOffset)
{
    m_grabOffset = grabOffset;
    m_dragging = true;
    m_outline->setGeometry(geometry());
    m_outline->raise();
    m_outline->show();
}

void StartMarker::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(255, 0, 0));
}

void StartMarker::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    // A move made while hidden arrives at the show, with no old place of its own.
    if (event->pos() != event->oldPos())
        emit Moved();
}

void StartMarker::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (m_pressed)
        return; // a second button during a drag changes nothing
    m_pressed = true;
    emit MouseDown(event->position().toPoint());
}

void StartMarker::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    if (m_dragging)
        m_outline->move(parentWidget()->mapFromGlobal(event->globalPosition().toPoint()) - m_grabOffset);
}

void StartMarker::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    // The drag ends when the last held button is released.
    if (!m_pressed || event->buttons() != Qt::NoButton)
        return;
    m_pressed = false;
    if (!std::exchange(m_dragging, false))
        return;
    m_outline->hide();
    emit DragDrop(parentWidget()->mapFromGlobal(event->globalPosition().toPoint()));
}

DragOutline::DragOutline(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("dragOutline"));
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
