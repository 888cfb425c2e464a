#include "labelpictures.h"

#include <QPainter>

namespace trevanto {

LabelPictures::LabelPictures(const LabelLook &look, qreal ratio)
    : m_look(look)
    , m_metrics(look.font)
    , m_ratio(ratio)
{
}

bool LabelPictures::drawsLike(const LabelLook &look, qreal ratio) const
{
    return m_look.font == look.font && m_look.foreground == look.foreground
           && m_look.background == look.background && m_ratio == ratio;
}

LabelPicture &LabelPictures::measured(const QString &text)
{
    auto found = m_pictures.find(text);
    if (found != m_pictures.end())
        return found->second;
    if (m_pictures.size() >= MaxTexts) {
        m_pictures.clear();
        m_bytes = 0;
    }
    const QSize size(m_metrics.horizontalAdvance(text.left(MaxCharacters)), m_metrics.height());
    return m_pictures.emplace(text, LabelPicture{QImage(), size}).first->second;
}

const QImage &LabelPictures::rendered(const QString &text, LabelPicture &picture)
{
    if (!picture.image.isNull() || picture.size.isEmpty())
        return picture.image;
    QImage image(picture.size * m_ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(m_ratio);
    if (image.isNull())
        return picture.image;
    image.fill(m_look.background);
    QPainter painter(&image);
    painter.setFont(m_look.font);
    painter.setPen(m_look.foreground);
    painter.drawText(QRect(QPoint(0, 0), picture.size), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     text.left(MaxCharacters));
    painter.end();
    if (m_bytes + image.sizeInBytes() > MaxBytes) {
        for (auto &entry : m_pictures)
            entry.second.image = QImage();
        m_bytes = 0;
    }
    m_bytes += image.sizeInBytes();
    picture.image = image;
    return picture.image;
}

} // namespace trevanto
