#pragma once
// The test record as the grid holds it: six texts per row.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

inline constexpr int RecordColumns = 6;
using GridRow = QStringList; // always RecordColumns cells
using GridRows = QVector<GridRow>;

// "  Test No", "  Date", "  Time", "  Reading", "  Test Result", "  Sampling Type"
QStringList PlainHeadings();
inline const char AscendingMark[] = "v ";
inline const char DescendingMark[] = "^ ";

QString UnitText(char unitCode);     // '0' "o/oo ", '1' "%BAC", ... other: ""
QString ResultText(char resultCode); // '0' PASS, '1' FAIL, other "-"
QString SamplingText(char code);     // '1' Manual, other "-"

// Device-information headings as the read action writes them and as the
// results window writes them when shown; they differ in their blanks.
QStringList ReadDeviceInfoHeadings();
QStringList ShownDeviceInfoHeadings();
