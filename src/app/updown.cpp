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
}

void UpDown::release()
{
    m_up->setDown(false);
    m_down->setDown(false);
}

void UpDown::setArrowKeysBuddy(QWidget *buddy)
{
    buddy->installEventFilter(this);
}

bool UpDown::eventFilter(QObject *, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    if (key->modifiers() & ~Qt::KeypadModifier)
        return false;
    if (key->key() == Qt::Key_Up)
        emit UpClick();
    else if (key->key() == Qt::Key_Down)
        emit DownClick();
    else
        return false;
    return true;
}

void UpDown::resizeEvent(QResizeEvent *)
{
    const int upper = height() / 2;
    m_up->setGeometry(0, 0, width(), upper);
    m_down->setGeometry(0, upper, width(), height() - upper);
}
