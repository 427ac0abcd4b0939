#include "device/Tdate.h"

TDateForm *DateForm = nullptr;

TDateForm::TDateForm(QWidget *parent) : TForm(parent, QStringLiteral(""), 201, 225, Border::None) {}
