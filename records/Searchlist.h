#pragma once
// The search result window: the records the search picked out, sorted by a
// heading click, saved, exported and printed like the results window's.

#include "kit/filedialogs.h"
#include "kit/form.h"
#include "records/data/recordfields.h"

class QToolButton;
class TStringGrid;

// Sort marks of this window: ascending, descending.
inline constexpr char16_t SearchAscendingMark = u'\u25BC';
inline constexpr char16_t SearchDescendingMark = u'\u25B2';

class TSearchForm : public TForm
{
    Q_OBJECT
public:
    explicit TSearchForm(QWidget *parent);

    // The search's matches become rows 1 on; without any there is one empty
    // row. The headings stay as they are.
    void SetMatches(const GridRows &matches);

    void BitBtn2Click(); // save a data file
    void BitBtn8Click(); // spreadsheet export
    void BitBtn6Click(); // print
    void BitBtn5Click(); // close the window
    void StringGrid1MouseUp(int col, int row);

    QToolButton *BitBtn2, *BitBtn8, *BitBtn6, *BitBtn5;
    TStringGrid *StringGrid1;
    FileDialogRequest SaveDialog1, SaveDialog2;

private:
    void FormCreate();
    bool HasMatches();

    int FMatches = 0;
};

extern TSearchForm *SearchForm;
