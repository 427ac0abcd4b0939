#pragma once
// The administrator password prompt.

#include "app/form.h"

class TFormPassWord : public TForm
{
    Q_OBJECT
public:
    explicit TFormPassWord(QWidget *parent);
};

extern TFormPassWord *FormPassWord;
