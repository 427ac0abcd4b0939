#include "records/data/recordstate.h"

int RecordCount = 0;
QStringList DeviceInfoLines;
int SearchAccepted = 0;
