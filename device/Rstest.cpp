#include "device/Rstest.h"

TFormTest *FormTest = nullptr;

TFormTest::TFormTest(QWidget *parent)
    : TForm(parent, QStringLiteral("통신 검사"), 1006, 529, Border::Sizeable)
{
}
