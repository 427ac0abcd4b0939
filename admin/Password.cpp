#include "admin/Password.h"

TFormPassWord *FormPassWord = nullptr;

TFormPassWord::TFormPassWord(QWidget *parent) : TForm(parent, QStringLiteral("Password"), 225, 121)
{
}
