#pragma once
// The serial port component, over POSIX open/termios/poll.
//
// TComm opens a tty by name, applies its line settings and time-outs, and runs a reader and a writer
// thread (std::thread). The threads never touch the component's properties or any widget: they post
// notices (custom QEvents) to a hidden receiver object that lives on the thread that created the
// TComm, and the receiver raises the signals there. Everything public is for that owner thread only.
#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

// Line setting enumerations; names and order are fixed (the position is the value sent to the port).
enum class TParity { None, Odd, Even, Mark, Space };
enum class TStopBits { _1, _1_5, _2 };
enum class TByteSize { _5, _6, _7, _8 };
enum class TDtrControl { DtrEnable, DtrDisable, DtrHandshake };
enum class TRtsControl { RtsEnable, RtsDisable, RtsHandshake, RtsTransmissionAvailable };

// Raised by OpenComm only. message() is one of seven fixed texts (see OpenComm); sysError() is the
// errno of the failing system call (0 if none), e.g. EACCES when the user is not in the dialout group,
// EBUSY when another program holds the port, ENOENT when there is no such device.
class ECommsError : public std::runtime_error {
public:
    explicit ECommsError(const char *message, int sysError = 0);
    QString message() const;
    int sysError() const noexcept { return m_sysError; }

private:
    int m_sysError;
};

// For logs and the UI: the message, the system's reason and, for EACCES, the dialout-group hint.
QString DescribeCommsError(const ECommsError &e);

// What ApplyCommState / ApplyCommTimeouts last wrote to the port (a pty silently drops PARENB and
// CS7, so tests and diagnostics read the component's own record). Flags are termios bit values.
struct TCommApplied {
    quint32 iflag = 0, oflag = 0, cflag = 0, lflag = 0;
    quint32 baud = 0;       // bits per second written (0: speed left untouched)
    bool dtrOn = false;     // DTR raised (or left to handshake)
    bool rtsOn = false;     // RTS raised (or left to handshake)
    quint64 stateApplies = 0;    // ApplyCommState runs while open, since construction
    quint64 timeoutApplies = 0;  // ApplyCommTimeouts runs while open, since construction
};

class TCommNotifier;

class TComm : public QObject {
    Q_OBJECT
public:
    // Error bits carried by receiveError (the values of the Windows CE_* bits).
    static constexpr quint32 CE_RXOVER = 0x0001;   // input buffer overflow
    static constexpr quint32 CE_OVERRUN = 0x0002;  // hardware overrun
    static constexpr quint32 CE_RXPARITY = 0x0004; // parity error
    static constexpr quint32 CE_FRAME = 0x0008;    // framing error
    static constexpr quint32 CE_BREAK = 0x0010;    // break received
    // Bits carried by modemStateChange.
    static constexpr quint32 ME_CARRIER = 8; // carrier detect changed
    static constexpr quint32 ME_RING = 4;    // ring

    explicit TComm(QObject *parent = nullptr);
    ~TComm() override; // stops the threads and closes the port if still open

    // Opens CommName with the current settings and starts both threads; throws ECommsError.
    // A name without '/' is looked up in /dev ("ttyUSB0" opens /dev/ttyUSB0).
    void OpenComm();
    // Lets the bytes already handed over reach the line (bounded, see kDrainStallMs and kDrainMaxMs),
    // then stops both threads and closes the port. What the line did not take by then is dropped.
    void CloseComm();
    static constexpr int kDrainStallMs = 200; // the line took nothing for this long: stop waiting
    static constexpr int kDrainMaxMs = 3000;  // the longest a close waits for output
    // Copies the bytes and queues them to the writer without waiting. False when closed, when the
    // length is 0, or when the writer has ended after a failure.
    bool SendBytes(const char *buffer, quint16 length);
    bool SendBytes(const QByteArray &data); // also false for more than 65535 bytes

    // Besides the gap and the 4096 bytes, a read also ends as soon as this says that the bytes
    // gathered so far are complete (the owner knows what its peer's last bytes look like; the
    // component does not). Called on the reader thread with the bytes of the read in progress, so
    // it must be a pure function of them. Empty: only the gap and the size end a read.
    using BlockEndFn = std::function<bool(QByteArrayView)>;
    void setBlockEnd(BlockEndFn fn);

    bool isOpen() const { return m_link != nullptr; }
    quint32 ComHandle() const; // the port's file descriptor (always >= 3), 0 while closed

    TCommApplied AppliedState() const { return m_applied; }

    // Published properties. Setters do nothing when the value is unchanged; otherwise they
    // store it and, while open, apply it at once. CommName and Parity only store.
    QString CommName() const { return m_commName; }
    void setCommName(const QString &v);
    quint32 BaudRate() const { return m_baudRate; }
    void setBaudRate(quint32 v);
    bool ParityCheck() const { return m_parityCheck; }
    void setParityCheck(bool v);
    bool Outx_CtsFlow() const { return m_outxCtsFlow; }
    void setOutx_CtsFlow(bool v);
    bool Outx_DsrFlow() const { return m_outxDsrFlow; }
    void setOutx_DsrFlow(bool v);
    TDtrControl DtrControl() const { return m_dtrControl; }
    void setDtrControl(TDtrControl v);
    bool DsrSensitivity() const { return m_dsrSensitivity; }
    void setDsrSensitivity(bool v);
    bool TxContinueOnXoff() const { return m_txContinueOnXoff; }
    void setTxContinueOnXoff(bool v);
    bool Outx_XonXoffFlow() const { return m_outxXonXoffFlow; }
    void setOutx_XonXoffFlow(bool v);
    bool Inx_XonXoffFlow() const { return m_inxXonXoffFlow; }
    void setInx_XonXoffFlow(bool v);
    bool ReplaceWhenParityError() const { return m_replaceWhenParityError; }
    void setReplaceWhenParityError(bool v);
    bool IgnoreNullChar() const { return m_ignoreNullChar; }
    void setIgnoreNullChar(bool v);
    TRtsControl RtsControl() const { return m_rtsControl; }
    void setRtsControl(TRtsControl v);
    quint16 XonLimit() const { return m_xonLimit; }
    void setXonLimit(quint16 v);
    quint16 XoffLimit() const { return m_xoffLimit; }
    void setXoffLimit(quint16 v);
    TByteSize ByteSize() const { return m_byteSize; }
    void setByteSize(TByteSize v);
    TParity Parity() const { return m_parity; }
    void setParity(TParity v);
    TStopBits StopBits() const { return m_stopBits; }
    void setStopBits(TStopBits v);
    char XonChar() const { return m_xonChar; }
    void setXonChar(char v);
    char XoffChar() const { return m_xoffChar; }
    void setXoffChar(char v);
    char ReplacedChar() const { return m_replacedChar; }
    void setReplacedChar(char v);
    quint32 ReadIntervalTimeout() const { return m_readIntervalTimeout; }
    void setReadIntervalTimeout(quint32 v);
    quint32 ReadTotalTimeoutMultiplier() const { return m_readTotalTimeoutMultiplier; }
    void setReadTotalTimeoutMultiplier(quint32 v);
    quint32 ReadTotalTimeoutConstant() const { return m_readTotalTimeoutConstant; }
    void setReadTotalTimeoutConstant(quint32 v);
    quint32 WriteTotalTimeoutMultiplier() const { return m_writeTotalTimeoutMultiplier; }
    void setWriteTotalTimeoutMultiplier(quint32 v);
    quint32 WriteTotalTimeoutConstant() const { return m_writeTotalTimeoutConstant; }
    void setWriteTotalTimeoutConstant(quint32 v);

signals:
    // All raised on the owner thread only, from its event loop.
    void receiveData(const QByteArray &data);  // OnReceiveData: 1 to 4096 bytes (a zero byte follows data())
    void receiveError(quint32 errorBits);      // OnReceiveError: CE_* bits
    void modemStateChange(quint32 modemEvent); // OnModemStateChange: ME_CARRIER | ME_RING
    void requestHangup();                      // OnRequestHangup: a worker thread failed and ended
    void sendDataEmpty();                      // OnSendDataEmpty: the writer has no more blocks queued

private:
    struct Link; // the open port: descriptors, threads, write queue
    friend class TCommNotifier;

    void ApplyCommState();
    void ApplyCommTimeouts();
    static void shutDown(Link &link, bool discardOutput = true);
    static bool drain(Link &link, quint32 baud); // true: everything reached the line

    std::unique_ptr<Link> m_link; // empty while closed
    std::shared_ptr<const BlockEndFn> m_blockEnd; // handed to each Link at open
    TCommNotifier *m_notifier;    // hidden receiver of the threads' notices (a child of this)
    TCommApplied m_applied;

    QString m_commName = QStringLiteral("COM2");
    quint32 m_baudRate = 9600;
    bool m_parityCheck = false;
    bool m_outxCtsFlow = true;
    bool m_outxDsrFlow = true;
    TDtrControl m_dtrControl = TDtrControl::DtrEnable;
    bool m_dsrSensitivity = false;
    bool m_txContinueOnXoff = true;
    bool m_outxXonXoffFlow = false;
    bool m_inxXonXoffFlow = false;
    bool m_replaceWhenParityError = false;
    bool m_ignoreNullChar = false;
    TRtsControl m_rtsControl = TRtsControl::RtsEnable;
    quint16 m_xonLimit = 10;
    quint16 m_xoffLimit = 10;
    TByteSize m_byteSize = TByteSize::_8;
    TParity m_parity = TParity::None;
    TStopBits m_stopBits = TStopBits::_1;
    char m_xonChar = 17;
    char m_xoffChar = 19;
    char m_replacedChar = 0;
    quint32 m_readIntervalTimeout = 10;
    quint32 m_readTotalTimeoutMultiplier = 0;
    quint32 m_readTotalTimeoutConstant = 0;
    quint32 m_writeTotalTimeoutMultiplier = 0;
    quint32 m_writeTotalTimeoutConstant = 0;
};
