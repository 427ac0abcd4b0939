#pragma once
// The shared Yes/No confirmation dialog.

#include "app/form.h"

class TFormYesNo : public TForm
{
    Q_OBJECT
public:
    explicit TFormYesNo(QWidget *parent);
};

extern TFormYesNo *FormYesNo;
