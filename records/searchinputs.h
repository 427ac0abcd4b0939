#pragma once
// The search's four criteria as controls, laid out as the search dialog lays
// them out: a switch for each and its inputs, disabled while it is off. The
// search dialog and the archive window both hold them.

#include "records/data/searchfilter.h"

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

// The units of the reading criterion into list, in the unit list's font.
void FillUnitList(QComboBox *list);

class TSearchInputs
{
public:
    QCheckBox *CheckBox1, *CheckBox2, *CheckBox3, *CheckBox4; // test no, date, reading, result
    QLineEdit *Edit1, *Edit2, *Edit3, *Edit4;                 // test-number and reading ranges
    QComboBox *ComboBox1, *ComboBox2; // date range; opening one picks a date
    QComboBox *ComboBox3, *ComboBox4; // unit, test result
    QLabel *Label1, *Label2, *Label3; // the "~" between the bounds

protected:
    // Lays the controls out on parent with the first row at top; opening a
    // date list calls pickFrom or pickTo.
    void CreateInputs(QWidget *parent, int top, std::function<void()> pickFrom,
                      std::function<void()> pickTo);
    // Every switch off: the inputs empty, without selection and disabled.
    void ResetInputs();
    // What a switch does when clicked: its inputs take their first values
    // (the date lists from and to) and are enabled, or are emptied and
    // disabled.
    void TestNoSwitched();
    void DateSwitched(const QString &from, const QString &to);
    void ReadingSwitched();
    void ResultSwitched();
    // Another unit chosen: the reading range becomes the unit's own.
    void UnitChanged();
    SearchCriteria Criteria() const;
};
