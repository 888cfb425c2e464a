#include "sharppicture.h"

#include <QImage>
#include <QPainter>
#include <QStyle>

namespace {

int pagesBeingDrawn = 0; // on the window's thread only

} // namespace

PageDrawing::PageDrawing()
{
    ++pagesBeingDrawn;
}

PageDrawing::~PageDrawing()
{
    --pagesBeingDrawn;
}

bool PageDrawing::active()
{
    return pagesBeingDrawn > 0;
}

SharpPicture::SharpPicture(QWidget *parent)
    : QLabel(parent)
{
}

void SharpPicture::setPictures(const QString &name)
{
    setPixmap(QPixmap(QStringLiteral(":/%1.png").arg(name)));
    m_large = QStringLiteral(":/%1@8x.png").arg(name);
}

void SharpPicture::paintEvent(QPaintEvent *event)
{
    if (!PageDrawing::active()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    const QRect target = QStyle::alignedRect(layoutDirection(), alignment(), pixmap().deviceIndependentSize().toSize(),
                                             contentsRect());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // A page keeps the picture as it is, without a lossy compression.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    painter.drawImage(target, QImage(m_large));
}
