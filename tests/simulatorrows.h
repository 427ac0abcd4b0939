#pragma once
// The grid row that a record line of the simulated tester fills.

#include "records/data/download.h"
#include "tools/simulator.h"

inline GridRow RowOf(int index)
{
    GridRow row;
    QByteArray line = TesterSimulator::RecordLine(index);
    line.chop(1);
    FillRecordRow(line, row);
    return row;
}
