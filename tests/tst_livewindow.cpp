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
};

QTEST_MAIN(TestLiveWindow)
#include "tst_livewindow.moc"
