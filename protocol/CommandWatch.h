#pragma once
// A command button's line goes out outside the queue, with no answer time-out.
// The watch turns a silent module into one red line: when no recognised answer
// (nor an error answer) follows within the answer time, the console says which
// line went unanswered and what to check. It never sends or repeats anything.
#include <QByteArray>
#include <QObject>
#include <QTimer>

class LineSink;

class CommandWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kWaitMs = 5000; // the default; setWaitMs changes it

    explicit CommandWatch(LineSink &console, QObject *parent = nullptr);

    // The line just sent (without its line end); a newer line replaces an older one.
    void watch(const QByteArray &line);
    // A recognised or error answer arrived.
    void answered() { timer_.stop(); }
    // The port was closed: nothing more is expected.
    void cancel() { timer_.stop(); }
    bool waiting() const { return timer_.isActive(); }
    void setWaitMs(int ms) { timer_.setInterval(ms); }

private:
    void expired();

    LineSink &console_;
    QTimer timer_;
    QByteArray line_;
};
