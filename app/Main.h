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

    // Select entry PortIndex of the port list and set port name, read
    // time-outs and speed from the connection settings.
    void PrepareLink();
    // How an exchange opens and closes the port. In USB mode the port is
    // opened before and closed after it, and a port error closes it. In
    // Bluetooth mode the link holds the port open: Usb leaves the port as it
    // is, Open opens it (no effect when open), OpenAndClose opens and closes
    // it, and Probe opens it and closes it only on a port error.
    enum class Framing { Usb, Open, OpenAndClose, Probe };
    // One exchange in its frame. A port error, and ExchangeStopped when the
    // operator cancels, closes the port where the framing says and is passed
    // on.
    QByteArray FramedExchange(const QByteArray &command, Framing framing,
                              const ReplyProgress &progress = {});
    // Up to ten attempts of one framed exchange; an attempt that raises counts
    // as failed and adds nothing to the reply. With repeatWhileEmpty the
    // attempts also go on while the reply is empty. An attempt the operator
    // cancels ends them all with an empty reply, as a silent tester's.
    // *exchanged, when given, tells whether any attempt ran without raising.
    QByteArray GuardedExchange(const QByteArray &command, bool repeatWhileEmpty,
                               Framing framing = Framing::Usb, bool *exchanged = nullptr,
                               const ReplyProgress &progress = {});

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

signals:
    // The main window has closed: the program ends.
    void Closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void FormClose();
    // Names the port of the port list's selected entry and sets the read
    // time-outs and the speed.
    void SetUpPort(TBaudRate speed);
    // The identification probe on the port as set up: 1 when a supported
    // tester answers. A port that no supported tester holds is closed.
    int IdentifyPort(Framing framing);
    void ShowLinkGlyphs(bool linked);
};

extern TFormMain *FormMain;
