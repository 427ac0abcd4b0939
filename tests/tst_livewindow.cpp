// The windows while the program talks to the tester: painted, showing the
// download's progress, deaf to clicks and timer ticks, a long exchange
// cancelled by its Cancel or Escape; the normal cursor over every message
// box; and the grid's fixed heading row and first column while many records
// scroll by.

#include "guifixture.h"
#include "ptypair.h"

#include "device/Information.h"
#include "device/Rstest.h"
#include "kit/exchangebusy.h"
#include "kit/form.h"
#include "link/commands.h"
#include "records/Result.h"
#include "records/data/recordstate.h"
#include "records/stringgrid.h"
#include "tools/simulator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QToolButton>
#include <algorithm>
#include <memory>

namespace {
// Runs seen at every paint of the object it watches.
struct PaintWatch : QObject
{
    std::function<void()> seen;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            seen();
        return false;
    }
};

enum CancelBy { NoCancel, CancelButton, EscapeKey };

// Presses the Cancel of a long exchange once it is offered (the results
// window's own button or the progress box), from inside the exchange: first a
// click on and Escape to another control, then the Cancel.
class CancelWhenOffered : public QObject
{
public:
    CancelWhenOffered(CancelBy by, QWidget *elsewhere) : FBy(by), FElsewhere(elsewhere)
    {
        QCoreApplication::instance()->installEventFilter(this);
        FSince.start();
    }
    qint64 offeredAfterMs = -1;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (FBy == NoCancel || offeredAfterMs >= 0 || event->type() != QEvent::Show)
            return false;
        auto *cancel = qobject_cast<QPushButton *>(watched);
        if (watched->objectName() == QLatin1String("ExchangeProgressBox"))
            cancel = watched->findChild<QPushButton *>();
        else if (cancel != FormResult->Button1)
            return false;
        offeredAfterMs = FSince.elapsed();
        QMetaObject::invokeMethod(
            this,
            [this, cancel] {
                QTest::mouseClick(FElsewhere, Qt::LeftButton);
                if (FBy == CancelButton)
                    QTest::mouseClick(cancel, Qt::LeftButton);
                else
                    QTest::keyClick(FElsewhere, Qt::Key_Escape);
            },
            Qt::QueuedConnection);
        return false;
    }

private:
    CancelBy FBy;
    QWidget *FElsewhere;
    QElapsedTimer FSince;
};

// The cell painted at point (grid coordinates): a scrolling cell or one of
// the fixed cells laid over them.
QModelIndex CellAt(TStringGrid *grid, const QPoint &point)
{
    QWidget *shown = grid->childAt(point);
    auto *view = shown ? qobject_cast<QTableView *>(shown->parentWidget()) : nullptr;
    if (!view || !shown->isVisible())
        return {};
    return view->indexAt(shown->mapFrom(grid, point));
}
} // namespace

class TestLiveWindow : public GuiTest
{
    Q_OBJECT

    std::unique_ptr<TesterSimulator> tester;

    void Link()
    {
        tester = std::make_unique<TesterSimulator>();
        fx->SetTable({GuiFixture::Usb(0, tester->PortName())});
        FormMain->BitBtn1Click();
        QCOMPARE(Connected, 1);
    }

    // Runs action with the exchange trace on; returns the commands it sent.
    static int Traced(const std::function<void()> &action)
    {
        FormTest->Memo1->clear();
        TraceEnabled = 1;
        action();
        TraceEnabled = 0;
        const QStringList lines = FormTest->Memo1->toPlainText().split(QLatin1Char('\n'));
        return int(std::count_if(lines.cbegin(), lines.cend(),
                                 [](const QString &line) { return line.startsWith('>'); }));
    }

private slots:
    void cleanup()
    {
        FormMain->Timer1->stop();
        // First the tester goes: one still trickling would hold up the goodbye.
        tester.reset();
        if (Connected)
            FormMain->BitBtn6Click();
        FormResult->hide(); // the next showing starts empty
        fx->Messages.clear();
    }

    // A paced download: the bar counts the records as they come and is
    // painted meanwhile; a click and the supervision timer do nothing.
    void downloadKeepsTheWindowPainted()
    {
        Link();
        FormResult->show();
        QVERIFY(QTest::qWaitForWindowExposed(FormResult));
        constexpr int Records = 40;
        tester->SetRecordCount(Records);
        tester->SetLineSpeed(1000);
        QProgressBar *bar = FormResult->ProgressBar1;
        QStringList texts;
        PaintWatch watch;
        watch.seen = [&] {
            if (!ExchangeRunning() || bar->maximum() == 0)
                return;
            if (texts.isEmpty())
                QMetaObject::invokeMethod(FormResult->BitBtn3, &QAbstractButton::click,
                                          Qt::QueuedConnection);
            texts << bar->text();
        };
        bar->installEventFilter(&watch);
        FormMain->Timer1->start(10);
        FormResult->BitBtn1Click();
        QCOMPARE(IdleTicks, 0);
        FormMain->Timer1->stop();
        QCOMPARE(RecordCount, Records);
        QVERIFY(!bar->isVisible());

        // Painted every 50 ms or so, counting up while the records come.
        QVERIFY2(texts.size() >= 5, qPrintable(texts.join(" | ")));
        auto received = [&texts](int k) { return texts[k].section(' ', 0, 0).toInt(); };
        for (int k = 0; k < texts.size(); ++k)
            QVERIFY(texts[k].endsWith(" of 40 records") &&
                    (k == 0 || received(k) >= received(k - 1)));
        QVERIFY(texts.first() != texts.last());
        // The click came in the middle of the download and was not carried out.
        QCoreApplication::processEvents();
        QVERIFY(fx->FileRequests.isEmpty());
        QVERIFY(fx->Messages.isEmpty());
    }

    // A download or an identification that trickles in, cancelled once it
    // has run two seconds by the Cancel beside the results window's progress
    // bar or in the progress box, or by Escape: the action ends at once, as
    // with a tester that stopped answering after all its attempts.
    void cancelLongExchange_data()
    {
        QTest::addColumn<bool>("download");
        QTest::addColumn<int>("by");
        QTest::addColumn<int>("commands");
        for (bool download : {true, false}) {
            const char *action = download ? "read, " : "information, ";
            const int before = download ? 1 : 0;
            QTest::addRow("%ssilent tester", action) << download << int(NoCancel) << before + 10;
            QTest::addRow("%sCancel", action) << download << int(CancelButton) << before + 1;
            QTest::addRow("%sEscape", action) << download << int(EscapeKey) << before + 1;
        }
    }
    void cancelLongExchange()
    {
        QFETCH(bool, download);
        QFETCH(int, by);
        QFETCH(int, commands);
        Link();
        const QByteArray command = download ? Cmd::Download : Cmd::Identify;
        if (by == NoCancel)
            tester->SetReply(command, QByteArray());
        else
            tester->SetTrickle(150, command);
        if (download)
            FormResult->show();
        FormInfor->Label12->setText(QStringLiteral("before"));
        const QString serialShown = FormResult->Label2->text();
        CancelWhenOffered canceller(CancelBy(by),
                                    download ? FormResult->BitBtn3 : FormMain->BitBtn4);
        QCOMPARE(Traced([download] {
                     if (download)
                         FormResult->BitBtn1Click();
                     else
                         FormMain->BitBtn2Click();
                 }),
                 commands);
        QCOMPARE(fx->TakeTexts(), QStringList(download ? "Data Reading Error !!!"
                                                       : "Information Reading Error !!!"));
        QCOMPARE(RecordCount, 0);
        QCOMPARE(FormResult->Label2->text(), serialShown);
        QCOMPARE(FormInfor->Label12->text(), QStringLiteral("before"));
        QVERIFY(!FormInfor->isVisible() && !FormResult->Button1->isVisible());
        QCOMPARE(FormResult->isVisible(), download); // Escape's key release closed nothing
        QVERIFY(!FormMain->ComPort1->IsOpen());
        QVERIFY(by == NoCancel || canceller.offeredAfterMs >= CancelOfferMs);
    }

    // A Bluetooth search of silent ports, each just under the two seconds:
    // the Cancel comes two seconds into the click's search, not never.
    void cancelOfferedAcrossTheExchangesOfOneAction()
    {
        PtyPair ports[3];
        fx->SetTable({GuiFixture::Bluetooth(0, ports[0].PortName()),
                      GuiFixture::Bluetooth(1, ports[1].PortName()),
                      GuiFixture::Bluetooth(2, ports[2].PortName())});
        BluetoothMode = 1;
        LinkSettings[AutoSearch] = 1;
        CancelWhenOffered canceller(CancelButton, FormMain->BitBtn4);
        QElapsedTimer clicked;
        clicked.start();
        FormMain->BitBtn1->click();
        const qint64 searched = clicked.elapsed();
        BluetoothMode = 0;
        QCOMPARE(fx->TakeTexts(), QStringList("Fail to open port (USB)!!!"));
        QVERIFY2(canceller.offeredAfterMs >= CancelOfferMs,
                 qPrintable(QString::number(canceller.offeredAfterMs)));
        // Cancelled in the second port's probe: the third is never tried.
        QVERIFY2(searched < 3000, qPrintable(QString::number(searched)));
        QCOMPARE(Connected, 0);
    }

    // Failure boxes in the middle of a connect and of a read.
    void normalCursorOverMessageBoxes()
    {
        QList<bool> hourglass;
        SetMessageHandler([&](const MessageRequest &r) {
            fx->Messages.append({r.owner, r.text, r.caption, r.buttons, r.icon});
            hourglass << (QGuiApplication::overrideCursor() != nullptr);
            return int(mrOk);
        });
        fx->SetTable({});
        FormMain->BitBtn1Click();
        Link();
        tester->SetReply(Cmd::Identify, "#I3\n");
        FormResult->show();
        FormResult->BitBtn1Click();
        QCOMPARE(fx->TakeTexts(),
                 QStringList({"Fail to open port (USB)!!!", "Information Rx Error !!!"}));
        QCOMPARE(hourglass, QList<bool>({false, false}));
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void headingRowStaysInSightWhenScrolled()
    {
        Link();
        FormResult->show();
        tester->SetRecordCount(100);
        FormResult->BitBtn1Click();
        TStringGrid *grid = FormResult->StringGrid1;
        grid->scrollToBottom();
        QVERIFY(grid->rowViewportPosition(1) < 0);
        QVERIFY(grid->rowViewportPosition(100) > 0);

        // The time heading is what is painted at the top of the grid, and a
        // click there sorts.
        const QRect area = grid->viewport()->geometry();
        const QPoint lastTestNo(area.x() + 5, area.y() + grid->rowViewportPosition(100) + 12);
        QCOMPARE(CellAt(grid, lastTestNo), grid->model()->index(100, 0));
        const QPoint timeHeading(area.x() + grid->columnViewportPosition(2) + 60, area.y() + 12);
        QCOMPARE(CellAt(grid, timeHeading), grid->model()->index(0, 2));
        QWidget *target = grid->childAt(timeHeading);
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(grid, timeHeading));
        QCOMPARE(grid->Cell(2, 0), QStringLiteral("v   Time"));
        QStringList times;
        for (int row = 1; row <= RecordCount; ++row)
            times << grid->Cell(2, row);
        QVERIFY(std::is_sorted(times.begin(), times.end()));
        QCOMPARE(times.size(), 100);
    }

    void fixedCellsStayInPlace()
    {
        TStringGrid small;
        small.resize(300, 200);
        small.SetRowCount(101);
        for (int row = 0; row <= 100; ++row)
            for (int col = 0; col < 6; ++col)
                small.Rows()[row][col] = QStringLiteral("%1/%2").arg(col).arg(row);
        small.Refresh();
        small.show();
        small.scrollToBottom();
        small.horizontalScrollBar()->setValue(small.horizontalScrollBar()->maximum());
        QVERIFY(small.columnViewportPosition(1) < 0);

        const QRect area = small.viewport()->geometry();
        const QPoint corner = area.topLeft() + QPoint(5, 5);
        const int lastRowY = area.y() + small.rowViewportPosition(100) + 12;
        const int lastColX = area.x() + small.columnViewportPosition(5) + 5;
        QCOMPARE(CellAt(&small, corner), small.model()->index(0, 0));
        QCOMPARE(CellAt(&small, QPoint(area.x() + 5, lastRowY)), small.model()->index(100, 0));
        QCOMPARE(CellAt(&small, QPoint(lastColX, area.y() + 5)), small.model()->index(0, 5));
        QCOMPARE(CellAt(&small, QPoint(lastColX, lastRowY)), small.model()->index(100, 5));

        // A cell brought into sight lands below the heading row and right of
        // the first column, not behind them.
        small.setCurrentIndex(small.model()->index(50, 3));
        QVERIFY(small.rowViewportPosition(50) >= small.rowHeight(0));
        small.setCurrentIndex(small.model()->index(50, 1));
        QVERIFY(small.columnViewportPosition(1) >= small.columnWidth(0));
        QCOMPARE(CellAt(&small, area.topLeft() + QPoint(small.columnWidth(0) + 5, 5)),
                 small.model()->index(0, 1));
    }
};

QTEST_MAIN(TestLiveWindow)
#include "tst_livewindow.moc"
