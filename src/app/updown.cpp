#include "updown.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

SpinArrowButton::SpinArrowButton(bool up, QWidget *parent)
    : QAbstractButton(parent)
    , m_up(up)
{
    setAutoRepeat(true);
    setFocusPolicy(Qt::NoFocus);
}

void SpinArrowButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOptionButton button;
    button.initFrom(this);
    button.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &button, &painter, this);

    QStyleOption arrow;
    arrow.initFrom(this);
    arrow.rect = rect().adjusted(2, 1, -2, -1);
    if (isDown())
        arrow.rect.translate(1, 1);
    style()->drawPrimitive(m_up ? QStyle::PE_IndicatorSpinUp : QStyle::PE_IndicatorSpinDown, &arrow, &painter, this);
}

UpDown::UpDown(QWidget *parent)
    : QWidget(parent)
    , m_up(new SpinArrowButton(true, this))
    , m_down(new SpinArrowButton(false, this))
{
    m_up->setObjectName(QStringLiteral("upArrow"));
    m_down->setObjectName(QStringLiteral("downArrow"));
    connect(m_up, &QAbstractButton::clicked, this, &UpDown::UpClick);
    connect(m_down, &QAbstractButton::clicked, this, &UpDown::DownClick);
    m_keyRelease.setSingleShot(true);
    m_keyRelease.setInterval(50);
    connect(&m_keyRelease, &QTimer::timeout, this, [this] { m_keyArrow->setDown(false); });
}

void UpDown::release()
{
    m_up->setDown(false);
    m_down->setDown(false);
}

void UpDown::setArrowKeysBuddy(QWidget *buddy)
{
    m_buddy = buddy;
    buddy->installEventFilter(this);
}

bool UpDown::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_buddy)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut) {
        // The key's release would go elsewhere.
        release();
        return false;
    }
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    if ((key->key() != Qt::Key_Up && key->key() != Qt::Key_Down) || (key->modifiers() & ~Qt::KeypadModifier))
        return false;
    const bool up = key->key() == Qt::Key_Up;
    SpinArrowButton *arrow = up ? m_up : m_down;
    if (key->isAutoRepeat()) {
        m_keyRelease.stop();
        return true;
    }
    if (event->type() == QEvent::KeyRelease) {
        m_releasedKey = key->key();
        m_releasedAt = key->timestamp();
        if (arrow->isDown()) {
            m_keyArrow = arrow;
            m_keyRelease.start();
        }
        return true;
    }
    if (key->key() == m_releasedKey && key->timestamp() != 0 && key->timestamp() == m_releasedAt) {
        m_keyRelease.stop(); // a repeat: the key is still held
        return true;
    }
    if (!arrow->isDown()) {
        // Down before the step, so that a message the step opens brings it up again.
        arrow->setDown(true);
        if (up)
            emit UpClick();
        else
            emit DownClick();
    }
    return true;
}

void UpDown::resizeEvent(QResizeEvent *)
{
    const int upper = height() / 2;
    m_up->setGeometry(0, 0, width(), upper);
    m_down->setGeometry(0, upper, width(), height() - upper);
}
