#pragma once
// Times one exchange: its wall time against the processor time of the
// calling thread and of the whole process.

#include <QByteArray>

class TCustomComPort;

// Seconds of processor time used so far.
double ThreadCpuSeconds();
double ProcessCpuSeconds();

// Runs the exchange of command on the open port and prints the figures under
// title, with the platform's name.
void MeasureExchange(const char *title, TCustomComPort &port, const QByteArray &command);
