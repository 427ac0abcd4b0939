#pragma once
// The tester's clock beside the PC's.

#include "app/form.h"

class TFormTime : public TForm
{
    Q_OBJECT
public:
    explicit TFormTime(QWidget *parent);
};

extern TFormTime *FormTime;
