#include "records/Serch1.h"

TFormSerch1 *FormSerch1 = nullptr;

TFormSerch1::TFormSerch1(QWidget *parent)
    : TForm(parent, QStringLiteral("Data Search"), 394, 261)
{
}
