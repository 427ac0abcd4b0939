#include "admin/Administer.h"

TFormAdmin *FormAdmin = nullptr;

TFormAdmin::TFormAdmin(QWidget *parent) : TForm(parent, QStringLiteral("Administer"), 353, 314) {}
