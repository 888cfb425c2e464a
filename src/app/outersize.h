#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// The window's outer size, frame included, in twips, as the work file keeps it, and its
// bookkeeping against the pixels the window really has. A size set in twips is given to
// the window at once, shrunk to the screen's area for windows when it is larger; the
// twips stay as they were set then, so that a smaller screen (or a larger display
// scale) does not cost the user's size. A size the user or the system gives the window
// becomes the twips. Until the window is shown its frame is not known, so the size is
// given again then.
class OuterSize : public QObject
{
    Q_OBJECT

public:
    // Twips per pixel of the outer size and the position: 1440 to the inch, 96 pixels.
    static constexpr double TwipsPerPixel = 15.0;

    // Gives the window the size and follows it from then on.
    OuterSize(QWidget *window, float widthTwips, float heightTwips);

    void setWidthTwips(double twips);
    void setHeightTwips(double twips);
    float widthTwips() const { return m_widthTwips; }
    float heightTwips() const { return m_heightTwips; }
    // The outer size the window was given, in pixels.
    QSize pixels() const { return m_appliedOuterSize; }

signals:
    // The size in twips has changed.
    void changed();
    // The window's frame has become known, and the window's inside is now final.
    void framed();

protected:
    // Follows the window after it was shown, moved or resized.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void apply();
    void follow();
    void setTwips(float width, float height);

    QWidget *m_window;
    float m_widthTwips;
    float m_heightTwips;
    QSize m_appliedOuterSize; // the outer size last set from the twips
    QSize m_frameMargins;     // the frame's share of it, as known then
    bool m_applying = false;
};

// Returns where a window of `outer` pixels, frame included, stands when it is wanted at
// `wanted`: as near to it as lets the whole window lie in the screen's `available` area.
QPoint placeOnScreen(QPoint wanted, QSize outer, const QRect &available);
