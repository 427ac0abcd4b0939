#pragma once
// The search result window.

#include "app/form.h"

class TSearchForm : public TForm
{
    Q_OBJECT
public:
    explicit TSearchForm(QWidget *parent);
};

extern TSearchForm *SearchForm;
