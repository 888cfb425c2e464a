#pragma once

#include "app/sharppicture.h"

// The organisation's logo: a picture that reports the mouse moving over it and a click
// of the left button released on it.
class LogoImage : public SharpPicture
{
    Q_OBJECT

public:
    explicit LogoImage(QWidget *parent = nullptr);

signals:
    void Click();
    void MouseMove();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};
