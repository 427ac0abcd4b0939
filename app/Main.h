#pragma once
// The main window: toolbar, the link to the tester and its supervision.

#include "app/mainstate.h"
#include "link/comport.h"

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

    // The exchange on ComPort1: command out, the collected reply back.
    QByteArray RS232Write(const QByteArray &command, QByteArray &reply);
    // 0: refresh the port list; 1: refresh it and find a supported tester.
    int CPortCheck(int mode);
    // Port names of the current link type, in the system table's order.
    void BuildPortList(QStringList &list);

    // Select entry PortIndex of the port list and set port name, read
    // time-outs and speed from the connection settings.
    void PrepareLink();
    // How an exchange opens and closes the port: in USB mode always around
    // it; in Bluetooth mode the link holds the port open, unless told here.
    enum class Framing { Usb, Open, OpenAndClose };
    // Up to ten attempts of one exchange; an attempt that raises closes the
    // port where the framing closes it, counts as failed and adds nothing to
    // the reply. With repeatWhileEmpty the attempts also go on while the
    // reply is empty. *exchanged, when given, tells whether any attempt ran
    // without raising.
    QByteArray GuardedExchange(const QByteArray &command, bool repeatWhileEmpty,
                               Framing framing = Framing::Usb, bool *exchanged = nullptr);

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
    int IdentifyPort(bool closeAfter);
    void ShowLinkGlyphs(bool linked);
};

extern TFormMain *FormMain;
