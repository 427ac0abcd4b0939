#pragma once
// The main window: toolbar, the link to the tester and its supervision.

#include "link/comport.h"
#include "link/exchange.h"
#include "tester/mainstate.h"

#include <QByteArray>
#include <QPixmap>
#include <QWidget>

class QLabel;
class QStatusBar;
class QTimer;
class QToolButton;
class TSiteStateLabel;

class TFormMain : public QWidget
{
    Q_OBJECT
public:
    explicit TFormMain(QWidget *parent = nullptr);
    ~TFormMain() override;

    // The exchange on ComPort1: command out, the collected reply back. It
    // restarts the idle count, waits the quiet time of the link and traces
    // into the service window's log while the trace is on; progress, when
    // given, is told of the reply collected so far.
    QByteArray RS232Write(const QByteArray &command, QByteArray &reply,
                          const ReplyProgress &progress = {});
    // 0: refresh the port list; 1: refresh it and find a supported tester.
    int CPortCheck(int mode);
    // Port names of the current link type, in the system table's order.
    void BuildPortList(QStringList &list);

    // Hands the link to the tester what it works with: ComPort1, the port and
    // baud lists of the connection settings and the service window's trace.
    // Once all windows exist.
    void SetUpTester();

    void FormCreate();
    void BitBtn1Click(); // connect
    void BitBtn6Click(); // disconnect
    void BitBtn4Click(); // results
    void BitBtn3Click(); // settings
    void BitBtn2Click(); // information
    void BitBtn5Click(); // exit
    void BitBtn7Click(); // the records archive
    // Ctrl+Shift+T: the administrator password, then the service window.
    void ServiceKey();
    void Timer1Timer();
    void Image1DblClick() {}

    TComPort *ComPort1;
    QTimer *Timer1;
    QToolButton *BitBtn1, *BitBtn6, *BitBtn4, *BitBtn3, *BitBtn2, *BitBtn5, *BitBtn7;
    QLabel *Image1;
    QPixmap Image2, Image3, Image4, Image5; // glyph stores
    QStatusBar *StatusBar1;
    TSiteStateLabel *SiteState1; // whether this PC's records are on the site's server

signals:
    // The main window has closed: the program ends.
    void Closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void FormClose();
    void ShowLinkGlyphs(bool linked);
};

extern TFormMain *FormMain;
