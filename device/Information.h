#pragma once
// The tester's identity and counters.

#include "app/form.h"

class TFormInfor : public TForm
{
    Q_OBJECT
public:
    explicit TFormInfor(QWidget *parent);
};

extern TFormInfor *FormInfor;
