#pragma once
// The date lists of the search criteria: a list that opens the date picker
// instead of its items, and what goes into it.

#include <QComboBox>
#include <QString>
#include <functional>

// A date list: opening it hands over to dropDown (the date picker) instead of
// showing its items.
class TDateList : public QComboBox
{
public:
    TDateList(QWidget *parent, std::function<void()> dropDown);
    void showPopup() override;

private:
    std::function<void()> FDropDown;
};

// Shows the date picker at left, top and gives the date its calendar holds
// when it closes, as "yyyy-mm-dd".
QString PickedDate(int left, int top);
// Empties list and shows text as its only item, selected.
void ShowOnlyItem(QComboBox *list, const QString &text);
