#pragma once
// The service window.

#include "app/form.h"

class TFormTest : public TForm
{
    Q_OBJECT
public:
    explicit TFormTest(QWidget *parent);
};

extern TFormTest *FormTest;
