#pragma once
// The search criteria dialog.

#include "app/form.h"

class TFormSerch1 : public TForm
{
    Q_OBJECT
public:
    explicit TFormSerch1(QWidget *parent);
};

extern TFormSerch1 *FormSerch1;
