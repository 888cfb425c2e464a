#pragma once

#include <QAbstractButton>
#include <QTimer>
#include <QWidget>

// One arrow of the up/down control, drawn as the style's spin-box arrow.
class SpinArrowButton : public QAbstractButton
{
public:
    SpinArrowButton(bool up, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_up;
};

// Two stacked arrow buttons that repeat while held. Each press or repeat of the upper
// arrow raises UpClick, of the lower one DownClick; the control keeps no value and
// takes no focus.
class UpDown : public QWidget
{
    Q_OBJECT

public:
    explicit UpDown(QWidget *parent = nullptr);

    SpinArrowButton *upButton() const { return m_up; }
    SpinArrowButton *downButton() const { return m_down; }

    // Brings a held arrow up and stops its repeating; the release that follows presses
    // nothing.
    void release();

    // Lets the Up and Down keys in `buddy` work the arrows, as a spin box's do: a press
    // raises UpClick or DownClick at once and holds its arrow down, which then repeats
    // as an arrow held with the mouse does, until the key comes up, the buddy loses the
    // focus or release() brings the arrow up. The key's own repeats do nothing more,
    // also those that follow a release().
    void setArrowKeysBuddy(QWidget *buddy);

signals:
    void UpClick();
    void DownClick();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    SpinArrowButton *m_up;
    SpinArrowButton *m_down;
    QWidget *m_buddy = nullptr;
    // X sends a held key's repeats as a release and a press with one timestamp, which
    // Qt does not always mark as repeats: a key's release brings its arrow up only
    // when no press at the same time follows within this timer's interval.
    QTimer m_keyRelease;
    SpinArrowButton *m_keyArrow = nullptr; // the arrow the released key held
    int m_releasedKey = 0;
    quint64 m_releasedAt = 0; // the last release's timestamp
};
