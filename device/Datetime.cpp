#include "device/Datetime.h"

TFormTime *FormTime = nullptr;

TFormTime::TFormTime(QWidget *parent) : TForm(parent, QStringLiteral("Date / Time Setup"), 463, 104)
{
}
