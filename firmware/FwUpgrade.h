#pragma once
// Firmware upgrade: answers the boot loader's menu and sends the chosen image
// with XModem (128-byte blocks, CRC-16). Runs on the user-interface thread.
#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>

class LineSink;

namespace fw {

inline constexpr char SOH = 0x01;
inline constexpr char EOT = 0x04;
inline constexpr char ACK = 0x06;
inline constexpr char NAK = 0x15;
inline constexpr char CAN = 0x18;
inline constexpr char CRC_REQUEST = 'C';
inline constexpr int BLOCK_DATA = 128;
inline constexpr int BLOCK_SIZE = BLOCK_DATA + 5;
inline constexpr char PAD = 0x1A;

// Texts of the boot loader, byte for byte.
inline const QByteArray BootMenu =
    "\r\n'F': update firmware\r\n'G': run application\r\n'R': restart module\r\n>";
inline const QByteArray BootQuestion = "F\r\nSure to update, 'Y' or 'N'\r\n>";
inline const QByteArray BootEcho = "Y\r\n";
// The boot loader's answer to the last EOT.
inline const QByteArray FinalAnswer("\x06\x0D\x0A\x3E", 4);

// One XModem block: SOH, n, 255-n, data padded with 0x1A to 128 bytes, CRC high, CRC low.
QByteArray BuildBlock(uint8_t blockNo, const QByteArray &data);

} // namespace fw

// What the upgrade needs from the window, the protocol and the serial component.
// Any hook left empty does nothing (or answers false / an empty text).
struct FwUpgradeDeps {
    std::function<void(const QByteArray &)> sendToCom;   // echo + remember as LastSend
    std::function<QByteArray()> lastSend;
    std::function<bool(const QByteArray &)> sendBytes;   // raw write, no echo
    std::function<bool()> comOpened;
    LineSink *console = nullptr;
    std::function<QByteArray(const QByteArray &)> langText; // unknown key -> key
    std::function<void(bool)> progressVisible;
    std::function<void(int)> progressTotal;
    std::function<void(int)> progressValue;
    std::function<bool()> overRestart;    // check mark of mniOverRestart
    std::function<bool()> showDataStream; // check mark of ShowDataStream
    std::function<uint32_t()> tickCount;  // milliseconds, monotonic; default steady clock
    // While a transfer runs: a read gap of a few character times, so each ACK, NAK, 'C' or CAN is
    // handed over at once (true); the ordinary gap again afterwards (false).
    std::function<void(bool)> fastReads;
    // Bytes that are no longer the transfer's (the transfer ended before or because of them): the
    // ordinary receive path, so they are shown and answers in them recognised.
    std::function<void(const QByteArray &)> passOn;
    // An armed or running transfer that hears nothing from the module for this long ends
    // (0: FwUpgrade::kQuietMs).
    int quietMs = 0;
};

// CRC-32 (the common one of zip and Ethernet) of an image, shown when a transfer
// starts so the file sent can be compared with the file meant.
uint32_t ImageCrc32(const QByteArray &bytes);

// How a transfer ended, for front ends that must not read console lines.
enum class TFwEnd : uint8_t {
    Done,       // the boot loader confirmed the last block
    NakLimit,   // one block refused kMaxNaks times in a row
    Cancelled,  // the receiver sent CAN CAN
    Unreadable, // the image could not be read whole when the transfer began
    Empty,      // the image was emptied after it was chosen
    OtherBytes, // the module sent bytes no transfer sends (it left the boot loader); they were passed on
    Quiet,      // the module said nothing for the quiet time (no 'C' ever came, or it fell silent)
    UserCancelled, // Cancel(): CAN CAN went to the module and the image was let go
};

class FwUpgrade : public QObject {
    Q_OBJECT
public:
    enum State : uint8_t { Idle = 0, Armed = 1, Send = 2, WaitAck = 3, EotSent = 4 };
    // The receiver refusing one block this many times in a row ends the transfer.
    static constexpr int kMaxNaks = 10;
    // Larger images are refused: the module's flash is far smaller.
    static constexpr qint64 kMaxImageBytes = 64 << 20;
    // A 'C' asks for the transfer only when nothing but the transfer's bytes follows it: it is
    // held until the next byte shows what it is, or until the line has been quiet this long.
    static constexpr int kLoneCMs = 100;
    // Silence from the module that ends an armed or running transfer. Receivers repeat 'C' every
    // few seconds and answer a block within one; this much silence means it is not coming.
    static constexpr int kQuietMs = 30000;

    explicit FwUpgrade(FwUpgradeDeps deps, QObject *parent = nullptr);
    ~FwUpgrade() override;

    // Before the file dialog: false (and a red line) when the port is closed;
    // otherwise the prompt line, and the current directory is remembered.
    bool PrepareChoice();
    // Filter for the file dialog, in the toolkit's form.
    QString DialogFilter() const;
    // After the dialog: replaces the held image. False when it cannot be opened.
    bool ChooseFile(const QString &path);
    // The boot-menu branch of the receive dispatcher; true when the chunk was handled.
    bool ClaimBlock(const QByteArray &chunk);
    void FwUpReceive(const QByteArray &bytes);
    void tmrXModemTxTimer();
    void NextBlock();
    void CloseFile();
    // The line has been quiet since the last byte: 'C's held until now stood alone.
    void LineQuiet();
    // The user stops the upgrade: an armed or running transfer is cancelled with CAN CAN, and the
    // image is let go either way, so a later boot menu starts nothing.
    void Cancel();
    bool Busy() const { return m_state != Idle; }

    uint8_t FwState() const { return m_state; }
    uint8_t FwBlockNo() const { return m_blockNo; }
    int32_t FwSentBlocks() const { return m_sentBlocks; }
    int32_t FwBlockCount() const { return m_blockCount; }
    uint32_t FwStartTick() const { return m_startTick; }
    const QString &FwSavedDir() const { return m_savedDir; }
    const QFile *FwFile() const { return m_file.get(); }
    bool HasFile() const { return m_file != nullptr; }
    QTimer *tmrXModemTx() const { return m_timer; }

signals:
    void transferEnded(TFwEnd end);
    // A block went out: blocks sent so far, blocks of the image.
    void transferProgress(int sent, int total);

private:
    QByteArray text(const char *key) const;
    QByteArray withPath(const char *key, const QString &path) const; // the text's %s = path
    void info(const QByteArray &t);
    void err(const QByteArray &t);
    void sendShown(const QByteArray &bytes, const QByteArray &hex);
    bool showStream() const;
    void setProgressVisible(bool on);
    // What became of one byte from the receiver.
    enum class Fate : uint8_t { Taken, NotTransfer, TooLate };
    void arm();
    void takeRequests();
    void startTransfer();
    void stopTransfer();
    void finish(const QByteArray &answer);
    void dropTransfer(const QByteArray &line, TFwEnd why);
    Fate receiveByte(char c);
    QByteArray heldText() const;
    void setFast(bool on);
    void sendSoon();

    FwUpgradeDeps m_deps;
    std::unique_ptr<QFile> m_file;
    QString m_savedDir;
    uint8_t m_state = Idle;
    uint8_t m_blockNo = 0;
    int32_t m_sentBlocks = 0;
    int32_t m_blockCount = 0;
    uint32_t m_startTick = 0;
    QByteArray m_image;      // the image as read at the start of the transfer
    qint64 m_pos = 0;        // next byte of m_image to send
    qint64 m_blockStart = 0; // where the last block's data began
    QByteArray m_tail;       // an ACK and what followed it of the final answer (ACK CR LF >)
    int m_naks = 0;          // NAKs in a row for the block in flight
    int m_cans = 0;          // CANs in a row
    bool m_fast = false;     // fastReads is on
    int m_heldCs = 0;        // 'C's not yet known to stand alone
    QTimer *m_timer; // child, so the window can find it by name
    QTimer *m_loneC; // quiet after held 'C's: they were requests
    QTimer *m_quiet; // quiet while armed or running: the transfer ends
};
