#pragma once
// The date picker.

#include "app/form.h"

class TDateForm : public TForm
{
    Q_OBJECT
public:
    explicit TDateForm(QWidget *parent);
};

extern TDateForm *DateForm;
