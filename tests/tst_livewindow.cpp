// The windows while the program talks to the tester: painted, showing the
// download's progress, deaf to clicks and timer ticks; and the normal cursor
// over every message box.

#include "guifixture.h"

#include "app/form.h"
#include "link/commands.h"
#include "records/Result.h"
#include "records/recordstate.h"
#include "tools/simulator.h"

#include <QGuiApplication>
#include <QProgressBar>
#include <QToolButton>
#include <memory>

namespace {
// Calls seen for every paint event of the object it watches.
class PaintWatch : public QObject
{
public:
    PaintWatch(QObject *watched, std::function<void()> seen) : FSeen(std::move(seen))
    {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            FSeen();
        return false;
    }

private:
    std::function<void()> FSeen;
};
} // namespace

class TestLiveWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<GuiFixture> fx;
    std::unique_ptr<TesterSimulator> tester;

    void Link()
    {
        tester = std::make_unique<TesterSimulator>();
        fx->SetTable({GuiFixture::Usb(0, tester->PortName())});
        FormMain->BitBtn1Click();
        QCOMPARE(Connected, 1);
    }

private slots:
    void initTestCase()
    {
        fx = std::make_unique<GuiFixture>();
        fx->CreateWindows();
    }
    void cleanupTestCase() { fx.reset(); }
    void cleanup()
    {
        FormMain->Timer1->stop();
        if (Connected)
            FormMain->BitBtn6Click();
        tester.reset();
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
        QVERIFY(!bar->isVisible());

        QStringList texts;
        PaintWatch watch(bar, [&] {
            if (!ExchangeRunning() || bar->maximum() == 0)
                return;
            if (texts.isEmpty())
                QMetaObject::invokeMethod(FormResult->BitBtn3, &QAbstractButton::click,
                                          Qt::QueuedConnection);
            texts << bar->text();
        });
        FormMain->Timer1->start(10);
        FormResult->BitBtn1Click();
        QCOMPARE(IdleTicks, 0);
        FormMain->Timer1->stop();
        QCOMPARE(RecordCount, Records);
        QVERIFY(!bar->isVisible());

        // Painted every 50 ms or so, counting up while the records come.
        QVERIFY2(texts.size() >= 5, qPrintable(texts.join(" | ")));
        int last = 0;
        for (const QString &text : texts) {
            const int received = text.section(' ', 0, 0).toInt();
            QCOMPARE(text, QString("%1 of 40 records").arg(received));
            QVERIFY(received >= last);
            last = received;
        }
        QVERIFY(texts.first() != texts.last());
        // The click came in the middle of the download and was not carried out.
        QCoreApplication::processEvents();
        QVERIFY(fx->FileRequests.isEmpty());
        QVERIFY(fx->Messages.isEmpty());
    }

    void normalCursorOverMessageBoxes()
    {
        QList<bool> hourglass;
        SetMessageHandler([&](const MessageRequest &r) {
            fx->Messages.append({r.owner, r.text, r.caption, r.buttons, r.icon});
            hourglass << (QGuiApplication::overrideCursor() != nullptr);
            return int(mrOk);
        });
        {
            HourglassCursor busy(FormResult->BitBtn1);
            ApplicationMessageBox("box", "Failure");
            QVERIFY(QGuiApplication::overrideCursor());
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        QVERIFY(!QGuiApplication::overrideCursor());

        fx->SetTable({});
        FormMain->BitBtn1Click();
        Link();
        tester->SetReply(Cmd::Identify, "#I3\n");
        FormResult->show();
        FormResult->BitBtn1Click();
        QCOMPARE(fx->TakeTexts(),
                 QStringList({"box", "Fail to open port (USB)!!!", "Information Rx Error !!!"}));
        QCOMPARE(hourglass, QList<bool>({false, false, false}));
        QVERIFY(!QGuiApplication::overrideCursor());
    }
};

QTEST_MAIN(TestLiveWindow)
#include "tst_livewindow.moc"
