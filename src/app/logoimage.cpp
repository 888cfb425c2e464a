#include "logoimage.h"

#include <QMouseEvent>

LogoImage::LogoImage(QWidget *parent)
    : SharpPicture(parent)
{
    // Moves are reported with no button held too.
    setMouseTracking(true);
}

void LogoImage::mouseMoveEvent(QMouseEvent *event)
{
    SharpPicture::mouseMoveEvent(event);
    emit MouseMove();
}

void LogoImage::mouseReleaseEvent(QMouseEvent *event)
{
    SharpPicture::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
}
