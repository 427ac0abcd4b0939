#pragma once
// State shared by the windows that show test records.

#include <QStringList>

extern int RecordCount;             // records in the results grid; 0 = no data
extern QStringList DeviceInfoLines; // heading, serial number, software version, last calibration
extern int SearchAccepted;          // the search dialog asks for the search result window
