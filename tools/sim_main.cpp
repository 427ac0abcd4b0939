// kestrune-sim: a simulated tester on a pseudo-terminal, for trying the
// program without hardware. Prints the port name on its first line.

#include "tools/simulator.h"

#include <QFile>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pthread.h>

namespace {

struct Options
{
    QByteArray model = "QX4826";
    int records = 3;
    int speed = 0;
    QString serialCommFile;
};

void Usage(FILE *out)
{
    std::fprintf(out, "usage: kestrune-sim [--model CODE] [--records N] "
                      "[--speed BYTES_PER_S] [--serialcomm FILE]\n");
}

bool ParseNumber(const char *text, int &value)
{
    char *end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || n < 0 || n > 1000000)
        return false;
    value = int(n);
    return true;
}

bool ParseOptions(int argc, char **argv, Options &options)
{
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        const char *value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!value)
            return false;
        ++i;
        if (std::strcmp(arg, "--model") == 0)
            options.model = QByteArray(value).leftJustified(6, ' ');
        else if (std::strcmp(arg, "--records") == 0) {
            if (!ParseNumber(value, options.records))
                return false;
        } else if (std::strcmp(arg, "--speed") == 0) {
            if (!ParseNumber(value, options.speed))
                return false;
        } else if (std::strcmp(arg, "--serialcomm") == 0)
            options.serialCommFile = QString::fromLocal8Bit(value);
        else
            return false;
    }
    return true;
}

// Removes the serial-port table file it wrote when the simulator ends.
class SerialCommFile
{
public:
    SerialCommFile(const QString &path, const QString &portName) : path_(path)
    {
        if (path_.isEmpty())
            return;
        QFile file(path_);
        written_ = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                   file.write("\\Device\\Serial0\t" + portName.toLocal8Bit() + '\n') > 0;
    }
    ~SerialCommFile()
    {
        if (written_)
            QFile::remove(path_);
    }
    SerialCommFile(const SerialCommFile &) = delete;
    SerialCommFile &operator=(const SerialCommFile &) = delete;
    bool Failed() const { return !path_.isEmpty() && !written_; }

private:
    QString path_;
    bool written_ = false;
};

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        Usage(stdout);
        return 0;
    }
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        Usage(stderr);
        return 2;
    }

    // Blocked before the simulator's thread starts, so that it inherits the
    // mask and the signals reach sigwait below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    TesterSimulator sim;
    sim.SetModelCode(options.model);
    sim.SetRecordCount(options.records);
    sim.SetLineSpeed(options.speed);
    const SerialCommFile table(options.serialCommFile, sim.PortName());
    if (table.Failed()) {
        std::fprintf(stderr, "kestrune-sim: cannot write %s\n",
                     options.serialCommFile.toLocal8Bit().constData());
        return 1;
    }

    std::printf("%s\n", sim.PortName().toLocal8Bit().constData());
    std::printf("Simulated tester (%s) on %s\n", options.model.trimmed().constData(),
                sim.DevicePath().toLocal8Bit().constData());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    return 0;
}
