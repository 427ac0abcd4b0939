#pragma once
// A breath-alcohol tester on a pseudo-terminal: it answers the program's
// commands as a tester does. The program opens PortName() as its serial port.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <memory>

class TesterSimulator
{
public:
    // Opens a pseudo-terminal and starts answering on it.
    TesterSimulator();
    ~TesterSimulator(); // stops and closes everything
    TesterSimulator(const TesterSimulator &) = delete;
    TesterSimulator &operator=(const TesterSimulator &) = delete;

    QString PortName() const;   // e.g. "pts/3"
    QString DevicePath() const; // e.g. "/dev/pts/3"

    // Every setter may be called while the simulator runs.
    void SetModelCode(const QByteArray &code); // first six characters of line 1
    void SetRecordCount(int count);            // records held; default 3
    void SetSilent(bool silent);               // answers nothing
    void SetLineSpeed(int bytesPerSecond);     // 0 = as fast as possible; 960 = 9600 baud
    void SetBursts(int burstBytes, int gapMs); // send replies in bursts with gaps; 0 = off
    // Sends replies (only those to command when one is given) one byte every
    // msPerByte ms, before the line speed; 0 = off.
    void SetTrickle(int msPerByte, const QByteArray &command = QByteArray());
    void SetGarbage(bool garbage); // answers with binary garbage
    // Answers command (the whole line with its "\n") with exactly reply from
    // now on, instead of the built-in reply.
    void SetReply(const QByteArray &command, const QByteArray &reply);
    void SetClock(const QDateTime &clock); // the tester's clock; it runs on
    QDateTime Clock() const;

    void SendUnasked(const QByteArray &bytes); // e.g. "$U0000"
    void Vanish();                             // closes the tester's end for good
    // From now on, answers command with only the first bytes of its reply (all
    // of it when bytes is negative) and then vanishes.
    void VanishAfter(const QByteArray &command, int bytes);
    bool Vanished() const;

    // Every command received, each with its "\n", in order.
    QList<QByteArray> CommandLog() const;
    void ClearCommandLog();
    // Waits until the log holds at least count commands.
    bool WaitForCommands(int count, int timeoutMs) const;

    // The built-in replies for the current state.
    QByteArray IdentificationReply() const;
    QByteArray DownloadReply() const;
    QByteArray ClockReply() const;
    // Record line number index (0-based) as the tester sends it, with "\n".
    static QByteArray RecordLine(int index);
    // What SetGarbage(true) answers to every command: binary, with zero bytes.
    static QByteArray GarbageReply();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
