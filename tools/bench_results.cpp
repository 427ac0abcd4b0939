// Figures for the results window itself: a 100,000-record data file opened,
// sorted by every column, saved and exported through the window's own
// buttons, then searched into the search result window; and a 500-record download from a simulated
// tester sending at 9600-baud pace, against what the line itself allows.

#include "app/Main.h"
#include "app/windows.h"
#include "base/filelines.h"
#include "device/Setup.h"
#include "kit/filedialogs.h"
#include "kit/messagebox.h"
#include "link/commands.h"
#include "records/Result.h"
#include "records/Searchlist.h"
#include "records/Serch1.h"
#include "records/data/datafile.h"
#include "records/data/download.h"
#include "records/data/recordstate.h"
#include "records/stringgrid.h"
#include "tools/benchfigures.h"
#include "tools/simulator.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
constexpr int Records = 100000;

void Report(const char *what, double ms)
{
    std::printf("%-46s %9.1f ms\n", what, ms);
}

QString WriteDataFile(const QString &dir)
{
    GridRows rows{PlainHeadings()};
    for (int i = 0; i < Records; ++i) {
        QByteArray line = TesterSimulator::RecordLine(i * 7 % Records);
        line.chop(1);
        GridRow row;
        FillRecordRow(line, row);
        rows << row;
    }
    const QString path = dir + QStringLiteral("/big.DAT");
    SaveLinesAtomically(path,
                        BuildRecordFileLines({"Device Information ", "Serial Number : B",
                                              "Software Version  : V", "Last : C"},
                                             rows, QLatin1Char(',')),
                        nullptr);
    return path;
}

void BenchSearch(const QString &dir, QString &chosen)
{
    FormSerch1->show();
    Report("search, no criterion", Measure([] { FormSerch1->Button1Click(); }));
    std::printf("  records in the search result: %d\n", SearchForm->StringGrid1->RowCount() - 1);
    FormSerch1->show();
    FormSerch1->CheckBox3->click();
    Report("search, %BAC 0.000 to 0.400", Measure([] { FormSerch1->Button1Click(); }));
    std::printf("  records in the search result: %d\n", SearchForm->StringGrid1->RowCount() - 1);
    SearchForm->show();
    Report("search result: sort by date", Measure([] { SearchForm->StringGrid1MouseUp(1, 0); }));
    chosen = dir + QStringLiteral("/picked.DAT");
    Report("search result: save", Measure([] { SearchForm->BitBtn2Click(); }));
    SearchForm->close();
}

void BenchWindow(const QString &dir)
{
    const QString data = WriteDataFile(dir);
    QString chosen;
    SetFileDialogHandler([&chosen](const FileDialogRequest &) { return chosen; });
    FormResult->show();

    chosen = data;
    ReportMemory("memory to open 100,000 records", [] { FormResult->BitBtn3Click(); });
    FormResult->hide();
    FormResult->show();
    chosen = data;
    Report("open 100,000 records", Measure([] { FormResult->BitBtn3Click(); }));
    std::printf("  records in the grid: %d\n", RecordCount);
    for (int col = 0; col < RecordColumns; ++col) {
        char label[64];
        std::snprintf(label, sizeof label, "sort by column %d, ascending", col);
        Report(label, Measure([col] { FormResult->StringGrid1MouseUp(col, 0); }));
        std::snprintf(label, sizeof label, "sort by column %d, descending", col);
        Report(label, Measure([col] { FormResult->StringGrid1MouseUp(col, 0); }));
    }
    chosen = dir + QStringLiteral("/saved.DAT");
    ReportMemory("memory to save 100,000 records", [] { FormResult->BitBtn2Click(); });
    QFile::remove(chosen);
    Report("save 100,000 records", Measure([] { FormResult->BitBtn2Click(); }));
    chosen = dir + QStringLiteral("/export.xls");
    Report("export 100,000 records", Measure([] { FormResult->BitBtn8Click(); }));
    BenchSearch(dir, chosen);
}

// The longest time the watched widget went unpainted between two paints.
class PaintGaps : public QObject
{
public:
    explicit PaintGaps(QObject *watched)
    {
        FClock.start();
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            const qint64 now = FClock.elapsed();
            if (FLast >= 0)
                Longest = std::max(Longest, now - FLast);
            FLast = now;
            ++Paints;
        }
        return false;
    }
    int Paints = 0;
    qint64 Longest = 0;

private:
    QElapsedTimer FClock;
    qint64 FLast = -1;
};

void BenchDownload(const QString &dir)
{
    TesterSimulator tester;
    tester.SetRecordCount(500);
    const QString table = dir + QStringLiteral("/serialcomm.txt");
    QFile file(table);
    file.open(QIODevice::WriteOnly);
    file.write("\\Device\\Serial0\t" + tester.PortName().toLatin1() + "\n");
    file.close();
    qputenv("KESTRUNE_SERIALCOMM", table.toLocal8Bit());
    FormMain->BitBtn1Click();
    if (Connected != 1) {
        std::printf("download: the simulated tester was not found\n");
        return;
    }
    tester.SetLineSpeed(960);
    FormResult->show();
    PaintGaps gaps(FormResult->ProgressBar1);
    const double ms = Measure([] { FormResult->BitBtn1Click(); });
    const qint64 bytes = tester.IdentificationReply().size() + tester.DownloadReply().size() +
                         Cmd::Identify.size() + Cmd::Download.size();
    // Two exchanges: each waits 100 ms before it writes and 300 ms of quiet after.
    const double limit = bytes * 10.0 * 1000.0 / 9600.0 + 2 * (100 + 300);
    std::printf("download 500 records at 9600 baud: %.1f ms; the line allows %.1f ms "
                "(%lld bytes); %.1f %% of the limit\n",
                ms, limit, static_cast<long long>(bytes), 100.0 * ms / limit);
    std::printf("  records in the grid: %d\n", RecordCount);
    std::printf("  progress bar painted %d times, longest unpainted %lld ms\n", gaps.Paints,
                static_cast<long long>(gaps.Longest));
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    SetMessageHandler([](const MessageRequest &r) {
        std::printf("  message: %s\n", qPrintable(r.text));
        return int(mrOk);
    });
    CreateForms();
    FormMain->Timer1->stop();
    BenchWindow(dir.path());
    BenchDownload(dir.path());
    if (Connected)
        FormMain->BitBtn6Click();
    DestroyForms();
    return 0;
}
