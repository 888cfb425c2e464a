#pragma once

#include <QAbstractButton>
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

    // Lets the Up and Down keys in `buddy` work the arrows, as a spin box's do: each
    // press, and each repeat of a held key, raises UpClick or DownClick.
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
};
