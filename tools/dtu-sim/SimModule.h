#pragma once
// A simulated module on a pseudo-terminal.
//
// The module serves the master side of a pty on its own thread; the tool (or a
// test) opens the slave path like a serial port. It speaks the command set:
//   data state     "+++" (a burst of exactly those bytes) -> "a", then "a" -> "+ok\r\n"
//   command state  AT+WORD?        -> "\r\n+WORD:value\r\n\r\nOK\r\n"
//                  AT+WORD=value   -> "\r\nOK\r\n\r\n" or "\r\n+ERR:<n>\r\n\r\n"
//                  AT+WORD (action)-> "\r\nOK\r\n\r\n" (CSQ: a named answer)
//   boot loader    menu, "F", "Y", then an XModem-CRC receiver; EOT -> 06 0D 0A 3E
// Each answer goes out as one write, because the tool frames answers by the
// pause on the line; the fault switches of SimOptions change exactly that.
#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "tools/dtu-sim/SimParams.h"

struct SimOptions
{
    bool startInCommandState = false; // start in the command state instead of the data state
    bool bootLoader = false;          // start in the boot loader (menu sent at start)
    bool xmodemReceiver = false;      // start as a bare XModem-CRC receiver ('C' at once, no menu)
    bool echo = false;                // factory value of E (echo of command lines)
    int ignoreFirstLines = 0;         // the first N command lines get no answer at all
    bool splitAnswers = false;        // each command answer in two writes, splitGapMs apart
    int splitGapMs = 300;
    int nakEveryNth = 0;              // NAK every Nth good XModem block once (0: never)
    int cancelAfter = 0;              // XModem: answer the block after this many stored ones with CAN CAN (0: never)
    bool garbage = false;             // a few stray bytes before every third command answer
    int garbageGapMs = 250;           // pause between the stray bytes and the answer
    int paceBaud = 0;                 // emulate the wire rate both ways: 10 bits per byte (0: off)
    int replyDelayMs = 5;             // pause before every answer
    int slowAnswers = 0;              // the reply delay holds for this many command answers only (0: all)
    int restartDelayMs = 500;         // Z / boot 'R': pause before the start-up message
    int entryTimeoutMs = 3000;        // how long "a" is awaited after "+++"
    int guardMs = 20;                 // silence that ends a burst ("+++", "a")
    int cRepeatMs = 1000;             // XModem: 'C' repeated until the first block arrives
    int cLimit = 0;                   // XModem: after this many 'C's without a block, run the application (0: never)
    int blockTimeoutMs = 1000;        // XModem: a partial block is dropped (and NAKed) after this
    int bootMenuRepeatMs = 0;         // boot loader: resend the menu this often while idle (0: never)
    bool mute = false;                // says nothing at all (no power, wrong cable)
    int networkDataEveryMs = 0;       // data state: forward networkData from the server this often (0: never)
    QByteArray networkData = "server heartbeat\r\n";
    QString saveImagePath;            // write the received firmware image here at EOT
    QList<QByteArray> refuseWords;    // queries and settings of these words get "+ERR:1"
    QList<QByteArray> staleWords;     // queries of these words get the previous answer again
    // Fault switches of the fault suite.
    bool glueNoise = false;           // stray bytes glued in front of every third answer, same write
    bool doubleAnswers = false;       // every command answer written twice
    int hangupAfterLines = 0;         // close the line after this many command lines (0: never)
    int hangupAfterBlocks = 0;        // close the line after this many stored XModem blocks (0: never)
    bool nakAlways = false;           // XModem: NAK every block, for ever
    int burstBytes = 0;               // this many bytes of network data once the tool first sends
};

// Both ends of a pseudo-terminal. The slave is set raw and kept open so the
// master never sees a hang-up while the tool has the port closed.
struct SimPty
{
    int master = -1;
    int slave = -1;
    QString slavePath;
};

class SimModule
{
public:
    enum class State { Data, Command, BootMenu, BootConfirm, XModem };

    explicit SimModule(SimOptions options = {});
    ~SimModule(); // stops the thread and closes the pty
    SimModule(const SimModule &) = delete;
    SimModule &operator=(const SimModule &) = delete;

    // Opens a pty pair (master non-blocking, slave raw); nullopt and *error on failure.
    static std::optional<SimPty> openPty(QString *error = nullptr);

    // Opens a pty and starts serving it; false (and errorString()) on failure.
    bool start();
    // Stops serving and joins the thread; the pty is closed. Safe to call twice.
    void stop();
    bool isRunning() const { return m_thread.joinable(); }
    QString errorString() const { return m_error; }
    QString slavePath() const { return m_pty.slavePath; }

    // Parameter table; words are upper-case. param() is null for an unknown word.
    QByteArray param(const QByteArray &word) const;
    bool setParam(const QByteArray &word, const QByteArray &value); // no checks; false if unknown
    SimParamList params() const;
    // "WORD=value" lines, one per parameter, LF-separated.
    QByteArray paramsText() const;
    // Applies "WORD=value" lines (CR LF or LF; empty lines and '#' comments skipped).
    // Returns the number of lines that named no parameter or had no '='.
    int applyParamsText(const QByteArray &text);

    // Enters the boot loader and sends its menu (from any state).
    void enterBootLoader();

    State state() const;
    bool inCommandState() const { return state() == State::Command; }
    QByteArray receivedImage() const;        // XModem data of the last transfer, padding included
    int receivedBlocks() const;              // blocks stored in the last transfer
    int completedTransfers() const;          // transfers ended by EOT
    int senderCancels() const;               // transfers the sender ended with CAN CAN
    QList<QByteArray> receivedLines() const; // command lines as received, without line end
    QByteArray receivedData() const;         // bytes received in the data state (first 1 MiB)
    QList<QByteArray> sentMessages() const;  // accepted SMSEND values

private:
    using Clock = std::chrono::steady_clock;
    struct Out
    {
        int delayMs;
        QByteArray bytes;
    };

    void run();
    void onBytes(const QByteArray &bytes, Clock::time_point now);
    void onTick(Clock::time_point now);
    void onBurstEnd(Clock::time_point now);
    void onBootByte(char c, Clock::time_point now);
    void onLine(const QByteArray &line);
    QByteArray answerLine(const QByteArray &line);
    void processXModem(Clock::time_point now);
    void checkBlock(const QByteArray &block);
    void finishTransfer();
    void restart(int delayMs);
    void sendBootMenu(Clock::time_point now);
    void hangUp();

    void queueRaw(const QByteArray &bytes, int delayMs);
    void queueAnswer(const QByteArray &answer);
    void flush(std::vector<Out> &outs);
    bool writeAll(const QByteArray &bytes);
    bool writePaced(const QByteArray &bytes);
    void sleepUntil(Clock::time_point until);

    const SimOptions m_opt;
    SimPty m_pty;
    QString m_error;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_bootRequest{false};

    // Everything below is guarded by m_mutex (the thread holds it while handling input).
    mutable std::mutex m_mutex;
    SimParamList m_params;
    SimParamList m_userDefault;
    State m_state = State::Data;
    std::vector<Out> m_pending;
    QByteArray m_burst;     // bytes since the last pause (data and command states)
    QByteArray m_line;      // command line being assembled
    bool m_lineOverflow = false;
    bool m_awaitingA = false;
    bool m_restartPending = false;
    Clock::time_point m_lastRx{};
    Clock::time_point m_entryDeadline{};
    Clock::time_point m_nextMenu{};
    Clock::time_point m_nextNetData{};
    int m_ignoreLeft = 0;
    int m_answerCount = 0;
    unsigned m_garbageSeed = 12345;
    QList<QByteArray> m_lines;
    QByteArray m_data;
    QList<QByteArray> m_sms;
    QByteArray m_lastAnswer; // for stale replies
    // fault switches
    bool m_hangup = false;       // close the line at the next turn of the loop
    bool m_burstSent = false;
    int m_commandLines = 0;
    // XModem receiver
    QByteArray m_xbuf;
    QByteArray m_image;
    int m_blocks = 0;
    int m_transfers = 0;
    int m_senderCancels = 0;
    int m_cSent = 0;
    bool m_sawBlock = false;
    bool m_haveStored = false;
    unsigned char m_lastBlockNo = 0;
    int m_goodCount = 0;
    int m_nakedBlock = -1;
    Clock::time_point m_nextC{};
    Clock::time_point m_rxFree{}; // paced line: when the bytes read so far have all arrived
};
