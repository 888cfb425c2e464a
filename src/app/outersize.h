#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

class QWidget;

// The window's outer size, frame included, in twips, as the work file keeps it, and its
// bookkeeping against the pixels the window really has. A size set in twips is given to
// the window at once, shrunk to the screen's area for windows when it is larger; the
// twips stay as they were set then, so that a smaller screen (or a larger display
// scale) does not cost the user's size. A size the user or the system gives the window
// becomes the twips, except while the window is maximized, full screen or minimized:
// that size is the window manager's, and the twips stay those that restore brings
// back. Until the window is shown its frame is not known, so the size is given again
// then, unless the window manager or the user has already chosen another.
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
    // The twips and the outer size before a resize, taken back when the window turns
    // out to be maximized at the size the resize gave it.
    struct Resize
    {
        QSize outerBefore;
        float widthTwips;
        float heightTwips;
        QSize inside; // the window's inside after the resize: its frame may change after
    };

    void apply();
    void follow();
    void setTwips(float width, float height);

    QWidget *m_window;
    float m_widthTwips;
    float m_heightTwips;
    QSize m_appliedOuterSize; // the outer size last set from the twips, or followed
    QSize m_frameMargins;     // the frame's share of it, as known then
    QSize m_givenInside;      // the inside that apply() gave the window
    std::optional<Resize> m_lastResize;
    std::optional<QSize> m_managedInside; // the inside last seen maximized (or minimized)
    bool m_framed = false;
    bool m_applying = false;
};

// Returns where a window of `outer` pixels, frame included, stands when it is wanted at
// `wanted`: as near to it as lets the whole window lie in the screen's `available` area.
QPoint placeOnScreen(QPoint wanted, QSize outer, const QRect &available);
