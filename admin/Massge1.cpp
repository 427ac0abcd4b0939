#include "admin/Massge1.h"

TFormYesNo *FormYesNo = nullptr;

TFormYesNo::TFormYesNo(QWidget *parent) : TForm(parent, QStringLiteral("Confirmation"), 355, 116) {}
