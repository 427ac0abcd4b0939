#include "device/Information.h"

TFormInfor *FormInfor = nullptr;

TFormInfor::TFormInfor(QWidget *parent) : TForm(parent, QStringLiteral("Information"), 317, 213) {}
