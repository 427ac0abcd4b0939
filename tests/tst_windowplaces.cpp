// Every window restored from the settings file comes up fully on the screen
// it is on, whatever place was saved (on a larger screen, or another one):
// the main window, the results window and the search result window that
// share their place, and the archive window with its size; the archive
// window's tester list at the size the window comes up in; message boxes
// over the window that raised them. The screen is the one given in
// KESTRUNE_TEST_SCREEN ("1366x768" when unset), made by the offscreen
// platform. And the arithmetic of the places beside it.

#include "archivefixture.h"
#include "guifixture.h"

#include "app/settingsfile.h"

#include "archive/Archive.h"
#include "archive/archivelayout.h"
#include "kit/cspinedit.h"
#include "kit/screenplace.h"
#include "records/Result.h"
#include "records/Searchlist.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>

namespace {

// A window's place as saved, and the archive window's size as kept.
struct Saved
{
    QPoint place;
    TWindowPosition grown; // WindowPositions[ArchiveWindowSize]
};

} // namespace
Q_DECLARE_METATYPE(Saved)

class TestWindowPlaces : public QObject
{
    Q_OBJECT

    static QRect Screen() { return QGuiApplication::primaryScreen()->availableGeometry(); }
    // The frame as the window system reports it, and as the windows reckon
    // with it before it is known.
    static void VerifyOnScreen(const QWidget *window)
    {
        const QRect told = window->frameGeometry();
        const QRect reckoned(window->pos(), window->size().grownBy(FrameMargins(window)));
        for (const QRect &frame : {told, reckoned})
            QVERIFY2(Screen().contains(frame), qPrintable(QStringLiteral("%1 at %2,%3 %4x%5")
                                                              .arg(window->windowTitle())
                                                              .arg(frame.x())
                                                              .arg(frame.y())
                                                              .arg(frame.width())
                                                              .arg(frame.height())));
    }

    // The windows as made at start without a settings file, over an archive
    // of twelve testers (more than the tester list shows at once); the
    // archive window open.
    static std::unique_ptr<GuiFixture> ArchiveOfTwelve()
    {
        auto fx = std::make_unique<GuiFixture>();
        ResetMainState();
        ArchiveError error;
        {
            std::unique_ptr<ArchiveStore> store = ArchiveFixture::OpenChosen(QString(), &error);
            for (int t = 0; store && t < 12; ++t)
                store->Add(ArchiveFixture::Tester(QStringLiteral("SN%1").arg(4711000 + t)),
                           ArchiveFixture::Records(t * 100, 1000), &error);
        }
        fx->CreateWindows();
        FormMain->BitBtn7->click();
        if (!QTest::qWaitFor([] { return !FormArchive->Busy(); }))
            return nullptr;
        return fx;
    }

private slots:
    void placeInside_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QPoint>("place");
        const QRect laptop(0, 0, 1366, 728);
        QTest::newRow("inside stays") << QRect(100, 50, 800, 600) << laptop << QPoint(100, 50);
        QTest::newRow("off the right") << QRect(420, 0, 1196, 729) << laptop << QPoint(170, 0);
        QTest::newRow("off the bottom") << QRect(0, 350, 778, 681) << laptop << QPoint(0, 47);
        QTest::newRow("above and left") << QRect(-300, -20, 800, 600) << laptop << QPoint(0, 0);
        QTest::newRow("wider than the screen keeps its left")
            << QRect(-5, 900, 1400, 300) << laptop << QPoint(-5, 428);
        QTest::newRow("higher than the screen keeps its top")
            << QRect(2000, -40, 300, 800) << laptop << QPoint(1066, -40);
        QTest::newRow("a second screen")
            << QRect(3000, 100, 800, 600) << QRect(1366, 0, 1920, 1040) << QPoint(2486, 100);
        QTest::newRow("exactly the screen") << QRect(5, 5, 1366, 728) << laptop << QPoint(0, 0);
    }
    void placeInside()
    {
        QFETCH(QRect, frame);
        QFETCH(QRect, area);
        QFETCH(QPoint, place);
        QCOMPARE(PlaceInside(frame, area), place);
    }

    void screenOf_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<int>("screen");
        QTest::newRow("on the first") << QRect(100, 100, 400, 300) << 0;
        QTest::newRow("centre on the second") << QRect(1200, 100, 600, 300) << 1;
        QTest::newRow("right of both") << QRect(9000, 100, 400, 300) << 1;
        QTest::newRow("left of both") << QRect(-9000, 500, 400, 300) << 0;
        QTest::newRow("below the second") << QRect(2000, 5000, 400, 300) << 1;
    }
    void screenOf()
    {
        QFETCH(QRect, frame);
        QFETCH(int, screen);
        const QVector<QRect> screens{QRect(0, 0, 1366, 768), QRect(1366, 0, 1920, 1080)};
        QCOMPARE(ScreenOf(frame, screens), screen);
        QCOMPARE(ScreenOf(frame, {}), -1);
    }

    void sizes()
    {
        const QMargins frame(8, 31, 8, 8);
        const QRect laptop(0, 0, 1366, 728);
        QCOMPARE(SizeInside({1261, 690}, ArchiveMinimumSize, laptop, frame), QSize(1261, 689));
        QCOMPARE(SizeInside({3000, 2000}, ArchiveMinimumSize, laptop, frame), QSize(1350, 689));
        QCOMPARE(SizeInside({800, 400}, ArchiveMinimumSize, laptop, frame), ArchiveMinimumSize);
        // The smallest archive window fits a 1366 x 768 screen with a task bar.
        QVERIFY(laptop.size().shrunkBy(frame).expandedTo(ArchiveMinimumSize) ==
                laptop.size().shrunkBy(frame));

        const QSize byDefault(1261, 690);
        QCOMPARE(ArchiveSizeOf({}, byDefault), byDefault);
        for (const QSize size :
             {QSize(1300, 700), QSize(1025, 600), QSize(1920, 1040), ArchiveMinimumSize})
            QCOMPARE(ArchiveSizeOf(KeptArchiveSize(size), byDefault), size);
        // A size below the smallest comes back as the smallest, as does one
        // that a stored place's clamp turned negative.
        QCOMPARE(ArchiveSizeOf(KeptArchiveSize({500, 300}), byDefault), ArchiveMinimumSize);
        QCOMPARE(ArchiveSizeOf({-112, 40}, byDefault), ArchiveMinimumSize + QSize(0, 39));
    }

    void testerListShowsTenRowsWholly()
    {
        // At the size the window comes up in, with more testers than it
        // shows at once.
        const std::unique_ptr<GuiFixture> fx = ArchiveOfTwelve();
        QVERIFY(fx);
        QTableWidget *list = FormArchive->StringGrid1;
        QCOMPARE(list->rowCount(), 13);
        QVERIFY2(list->viewport()->height() >= 10 * list->rowHeight(0),
                 qPrintable(QStringLiteral("%1 %2 %3 %4")
                                .arg(list->viewport()->height())
                                .arg(list->height())
                                .arg(list->horizontalHeader()->height())
                                .arg(list->frameWidth())));
        QVERIFY(list->verticalScrollBar()->isVisible());
        QVERIFY(!list->horizontalScrollBar()->isVisible());
        // Every text whole: each column at least as wide as what it shows.
        const QFontMetrics metrics(list->font());
        for (int col = 0; col < list->columnCount(); ++col)
            for (int row = 0; row < list->rowCount(); ++row)
                QVERIFY2(metrics.horizontalAdvance(list->item(row, col)->text()) <
                             list->columnWidth(col),
                         qPrintable(list->item(row, col)->text()));
    }

    // At its smallest the archive window squeezes no label or button below
    // what its text needs, and leaves none beyond its edges.
    void smallestArchiveWindowSqueezesNothing()
    {
        const std::unique_ptr<GuiFixture> fx = ArchiveOfTwelve();
        QVERIFY(fx);
        FormArchive->resize(ArchiveMinimumSize);
        QCOMPARE(FormArchive->size(), ArchiveMinimumSize);
        const QRect window = FormArchive->rect();
        QStringList squeezed;
        for (QWidget *w : FormArchive->findChildren<QWidget *>()) {
            // Laid out, not placed by a control of their own.
            if (!w->isVisible() || w->window() != FormArchive || !w->parentWidget()->layout())
                continue;
            auto *label = qobject_cast<QLabel *>(w);
            auto *button = qobject_cast<QAbstractButton *>(w);
            const QString name = QLatin1String(w->metaObject()->className()) + u' ' +
                                 (label    ? label->text()
                                  : button ? button->text()
                                           : QString());
            // Texts need their room; those of a fixed size are drawn to it.
            const bool fixed = w->minimumWidth() == w->maximumWidth();
            if (((label || button) && !fixed && w->width() < w->minimumSizeHint().width()) ||
                w->width() < w->minimumWidth() ||
                !window.contains(QRect(w->mapTo(FormArchive, QPoint()), w->size())))
                squeezed << name;
        }
        QVERIFY2(squeezed.isEmpty(), qPrintable(squeezed.join(QStringLiteral(", "))));
    }

    // The application's box stays owned by the main window and the plain
    // system box by none; each comes up over the window in front.
    void messageBoxesOverTheWindowThatRaisedThem()
    {
        const std::unique_ptr<GuiFixture> fx = ArchiveOfTwelve();
        QVERIFY(fx);
        SetMessageHandler({});
        FormMain->show();
        FormMain->move(0, 0);
        FormArchive->resize(ArchiveMinimumSize);
        FormArchive->move(Screen().right() - ArchiveMinimumSize.width() - 20, 60);
        FormArchive->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FormArchive));
        QList<QPair<QRect, QWidget *>> boxes;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                boxes.append({box->frameGeometry(), box->parentWidget()});
                box->button(QMessageBox::Ok)->click();
            }
        });
        answer.start(10);
        FormArchive->CSpinEdit1->Editor()->setText(QStringLiteral("0"));
        FormArchive->Button6->click();
        // In front again once the box is answered, as a window system does.
        FormArchive->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FormArchive));
        SystemMessageBox(QStringLiteral("system"), QStringLiteral("Warning"));
        answer.stop();
        fx->CatchMessages();
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[0].second, FormMain);
        QCOMPARE(boxes[1].second, nullptr);
        const QPoint centre = FormArchive->frameGeometry().center();
        for (const auto &box : boxes)
            QVERIFY2((box.first.center() - centre).manhattanLength() < 40,
                     qPrintable(QStringLiteral("%1,%2 %3x%4 over %5,%6")
                                    .arg(box.first.x())
                                    .arg(box.first.y())
                                    .arg(box.first.width())
                                    .arg(box.first.height())
                                    .arg(centre.x())
                                    .arg(centre.y())));
    }

    void everyWindowComesUpOnScreen_data()
    {
        QTest::addColumn<Saved>("saved");
        const QRect screen = Screen();
        const int right = screen.width() - 100; // the farthest the stored places keep
        const int bottom = screen.height() - 50;
        QTest::newRow("saved on a larger screen") << Saved{{420, 0}, {}};
        QTest::newRow("low on the screen") << Saved{{0, 350}, {}};
        QTest::newRow("at the farthest corner") << Saved{{right, bottom}, {}};
        QTest::newRow("far off to the right and down") << Saved{{50000, 40000}, {}};
        QTest::newRow("far off to the left and up") << Saved{{-3000, -2000}, {}};
        QTest::newRow("archive window kept large") << Saved{{200, 100}, {3000, 2000}};
        QTest::newRow("archive window kept at its smallest") << Saved{{right, 10}, {1, 1}};
    }
    void everyWindowComesUpOnScreen()
    {
        QFETCH(Saved, saved);
        auto fx = std::make_unique<GuiFixture>();
        for (TWindowPosition &p : WindowPositions)
            p = {saved.place.x(), saved.place.y()};
        WindowPositions[ArchiveWindowSize] = saved.grown;
        QString error;
        QVERIFY2(SaveSettings(fx->Dir(), &error), qPrintable(error));
        ResetMainState();
        fx->CreateWindows();

        FormMain->show();
        FormResult->show();
        SearchForm->show();
        FormMain->BitBtn7->click();
        QTRY_VERIFY(!FormArchive->Busy());
        for (QWidget *window : QList<QWidget *>{FormMain, FormResult, SearchForm, FormArchive})
            VerifyOnScreen(window);
        // The archive window no smaller than its smallest, no larger than
        // the screen, and sized as kept when that fits.
        const QSize size = FormArchive->size();
        QVERIFY(size.width() >= ArchiveMinimumSize.width() &&
                size.height() >= ArchiveMinimumSize.height());
        if (saved.grown.Top == 1)
            QCOMPARE(size, ArchiveMinimumSize);
        // The lists and the chart beside each other, neither squeezed shut.
        for (const int width : FormArchive->Splitter1->sizes())
            QVERIFY(width > 300);

        // Kept as the operator leaves it: a larger archive window comes back
        // larger.
        FormArchive->resize(ArchiveMinimumSize + QSize(40, 30));
        FormArchive->close();
        QCOMPARE(ArchiveSizeOf(WindowPositions[ArchiveWindowSize], {}),
                 ArchiveMinimumSize + QSize(40, 30));
        fx.reset();
    }
};

// The screen is chosen before the application starts.
int main(int argc, char **argv)
{
    const QByteArray size = qEnvironmentVariableIsSet("KESTRUNE_TEST_SCREEN")
                                ? qgetenv("KESTRUNE_TEST_SCREEN")
                                : QByteArray("1366x768");
    QTemporaryDir dir;
    QFile config(dir.filePath(QStringLiteral("screens.json")));
    if (!config.open(QIODevice::WriteOnly))
        return 1;
    config.write(QByteArray(R"({"screens": [{"name": "Test", "x": 0, "y": 0, "width": )") +
                 size.split('x').value(0) + R"(, "height": )" + size.split('x').value(1) +
                 R"(, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    QApplication application(argc, argv);
    TestWindowPlaces test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowplaces.moc"
