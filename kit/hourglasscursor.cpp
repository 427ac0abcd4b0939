#include "kit/hourglasscursor.h"

#include <QApplication>
#include <QWidget>

HourglassCursor::HourglassCursor(QWidget *control) : FControl(control)
{
    FControl->setCursor(Qt::WaitCursor);
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

HourglassCursor::~HourglassCursor()
{
    QApplication::restoreOverrideCursor();
    FControl->unsetCursor();
}
