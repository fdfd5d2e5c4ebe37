#pragma once
// Repeat sending: while "Repeat every" is checked, the send box goes out at once
// and then every interval, through the same path as the Send button (line end,
// hex bytes). It sends nothing while a queued operation awaits an answer, and it
// stops loudly, with its box cleared, when the port closes, the send box is
// empty, the hex text is invalid, or the send type is not the serial port.
#include <QObject>
#include <QTimer>

#include <functional>

class QCheckBox;
class QSpinBox;
class ConsolePanel;

class RepeatSend : public QObject {
    Q_OBJECT
public:
    static constexpr int kMinMs = 10;
    static constexpr int kMaxMs = 3600000;
    static constexpr int kDefaultMs = 1000;

    struct Deps {
        std::function<bool()> portOpen;
        std::function<bool()> busy; // a queued operation awaits an answer
        // One send of the box as the Send button does it, without touching the
        // send history; false when it refused (a red line has said why).
        std::function<bool()> send;
    };
    RepeatSend(ConsolePanel &panel, Deps deps);

    // The port was closed: repeating stops at once, not at the next tick.
    void portClosed();

    void applyTexts();
    int intervalMs() const;
    void setIntervalMs(int ms);
    bool running() const { return timer_.isActive(); }
    // How many times the box went out since repeating last started.
    int sentCount() const { return sent_; }

    QCheckBox *box() const { return box_; }
    QSpinBox *interval() const { return spin_; }

private:
    void toggled(bool on);
    void tick();
    // Clears the box and says why (err: a red line, otherwise an information line).
    void stop(const char *key, bool err);

    ConsolePanel &panel_;
    Deps deps_;
    QCheckBox *box_ = nullptr;
    QSpinBox *spin_ = nullptr;
    QTimer timer_;
    int sent_ = 0;
};
