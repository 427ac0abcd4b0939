#pragma once
// The administration dialog.

#include "app/form.h"

class TFormAdmin : public TForm
{
    Q_OBJECT
public:
    explicit TFormAdmin(QWidget *parent);
};

extern TFormAdmin *FormAdmin;
