#include "records/Searchlist.h"

TSearchForm *SearchForm = nullptr;

TSearchForm::TSearchForm(QWidget *parent)
    : TForm(parent, QStringLiteral("search result"), 761, 545, Border::DialogWithHelp)
{
}
