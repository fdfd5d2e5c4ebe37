#pragma once
// Line settings changed on an open port take effect at once: a choice of the
// user in the baud rate, parity, data, stop or flow list (or a typed baud rate)
// reopens the port with them. Changes the program makes itself (loading the
// configuration) do not count.
#include <QObject>

#include <functional>

class PortBar;

class PortReapply : public QObject {
public:
    // isOpen: whether the port is open now; reopen: close and open it again with the bar's settings.
    PortReapply(PortBar &bar, std::function<bool()> isOpen, std::function<void()> reopen);

private:
    void changed();

    PortBar &bar_;
    std::function<bool()> isOpen_;
    std::function<void()> reopen_;
};
