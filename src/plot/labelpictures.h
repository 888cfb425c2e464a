#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QSize>
#include <QString>

#include <unordered_map>

namespace trevanto {

// How the bearing labels look: the window's font and its text and background colours.
struct LabelLook
{
    QFont font;
    QColor foreground;
    QColor background;
};

// A label text's size in window pixels, and its picture at the surface's density once
// the label has been seen.
struct LabelPicture
{
    QImage image;
    QSize size;
};

// The label texts, each measured once and rendered once it is seen. A course repeats
// few bearings; a file of ever-different long texts must not keep a picture of each, so
// the pictures are kept up to a budget of bytes. 8 MiB holds thousands of a real course's
// short labels, and keeps a file of 32,767 texts of 500 characters (30 MB of strings,
// 15 MB more while they are saved) under 100 MB in all.
class LabelPictures
{
public:
    // A label shows at most this many characters, more than any screen is wide.
    static constexpr qsizetype MaxCharacters = 4096;

    LabelPictures(const LabelLook &look, qreal ratio);
    bool drawsLike(const LabelLook &look, qreal ratio) const;
    LabelPicture &measured(const QString &text);
    const QImage &rendered(const QString &text, LabelPicture &picture);

private:
    static constexpr qsizetype MaxBytes = 8 * 1024 * 1024;
    static constexpr std::size_t MaxTexts = 65536;

    LabelLook m_look;
    QFontMetrics m_metrics;
    qreal m_ratio;
    std::unordered_map<QString, LabelPicture> m_pictures;
    qsizetype m_bytes = 0; // what the rendered pictures take
};

} // namespace trevanto
