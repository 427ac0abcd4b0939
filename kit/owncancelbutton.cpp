#include "kit/owncancelbutton.h"

#include "kit/exchangebusy.h"

#include <QAbstractButton>

OwnCancelButton::OwnCancelButton(QAbstractButton *button) : FButton(button)
{
    SetOwnCancelButton(button);
    button->hide();
    FClick = QObject::connect(button, &QAbstractButton::clicked, button, &CancelExchange);
}

OwnCancelButton::~OwnCancelButton()
{
    QObject::disconnect(FClick);
    if (FButton)
        FButton->hide();
    SetOwnCancelButton(nullptr);
}
