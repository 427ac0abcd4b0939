#pragma once
// A window's own Cancel for a long exchange.

#include <QMetaObject>
#include <QPointer>

class QAbstractButton;

// While one of these lives, a long exchange offers button (hidden until then,
// beside the window's own progress display) instead of the progress box.
class OwnCancelButton
{
public:
    explicit OwnCancelButton(QAbstractButton *button);
    ~OwnCancelButton();
    OwnCancelButton(const OwnCancelButton &) = delete;
    OwnCancelButton &operator=(const OwnCancelButton &) = delete;

private:
    QPointer<QAbstractButton> FButton;
    QMetaObject::Connection FClick;
};
