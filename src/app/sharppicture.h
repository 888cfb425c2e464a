#pragma once

#include <QLabel>

// While one lives, the window is being drawn for a page, at the page's own resolution:
// what a widget shows as a picture of screen pixels is drawn anew for that size.
class PageDrawing
{
public:
    PageDrawing();
    ~PageDrawing();
    PageDrawing(const PageDrawing &) = delete;
    PageDrawing &operator=(const PageDrawing &) = delete;

    static bool active();
};

// A framed picture of the window, such as the logo or the north indicator. On the
// screen it shows its picture pixel for pixel; drawn larger (on a page) it draws the
// same picture from a version eight times as large, so that it stays sharp.
class SharpPicture : public QLabel
{
public:
    explicit SharpPicture(QWidget *parent = nullptr);

    // The pictures ":/<name>.png" and ":/<name>@8x.png".
    void setPictures(const QString &name);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_large;
};
