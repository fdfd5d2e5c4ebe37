#include "ui/RepeatSend.h"

#include "comm/SPComm.h"
#include "lang/AppLang.h"
#include "protocol/Protocol.h"
#include "ui/Console.h"
#include "ui/MainWindow.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QFrame>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>

RepeatSend::RepeatSend(TFrm_Main &w, std::function<bool()> send) : QObject(&w), w_(w), send_(std::move(send))
{
    box_ = new QCheckBox(w.rztlbrSend);
    box_->setObjectName(QStringLiteral("chkRepeatSend"));
    spin_ = new QSpinBox(w.rztlbrSend);
    spin_->setObjectName(QStringLiteral("spnRepeatMs"));
    spin_->setRange(kMinMs, kMaxMs);
    spin_->setValue(kDefaultMs);
    spin_->setSuffix(QStringLiteral(" ms"));
    spin_->setAccelerated(true);
    // Right after the send-type button, before the stretch that keeps Send on the right.
    if (auto *bar = qobject_cast<QBoxLayout *>(w.rztlbrSend->layout())) {
        const int at = bar->indexOf(w.btnSendTpye) + 1;
        bar->insertSpacing(at, 8);
        bar->insertWidget(at + 1, box_);
        bar->insertWidget(at + 2, spin_);
    }

    timer_.setTimerType(Qt::PreciseTimer);
    connect(box_, &QCheckBox::toggled, this, &RepeatSend::toggled);
    connect(&timer_, &QTimer::timeout, this, &RepeatSend::tick);
    connect(spin_, &QSpinBox::valueChanged, this, [this](int ms) {
        if (timer_.isActive())
            timer_.start(ms); // the new interval counts from now
    });
    // A port closed by the button or lost to an unplug stops at once, not at the next tick.
    connect(w.btnOpenClose, &QToolButton::clicked, this, [this] {
        if (running() && !w_.ComOpened())
            stop("info_RepeatPortClosed", false);
    }, Qt::QueuedConnection);
    connect(w.comm(), &TComm::requestHangup, this, [this] {
        if (running())
            stop("info_RepeatPortClosed", false);
    }, Qt::QueuedConnection);
}

void RepeatSend::applyTexts()
{
    box_->setText(LangTextU("lang_chkRepeatSend"));
    box_->setToolTip(LangTextU("hint_chkRepeatSend"));
    spin_->setToolTip(LangTextU("hint_chkRepeatSend"));
}

int RepeatSend::intervalMs() const { return spin_->value(); }

void RepeatSend::setIntervalMs(int ms)
{
    spin_->setValue(ms >= kMinMs && ms <= kMaxMs ? ms : kDefaultMs);
}

void RepeatSend::toggled(bool on)
{
    if (!on) {
        timer_.stop();
        return;
    }
    sent_ = 0;
    timer_.start(spin_->value());
    tick(); // the first one at once
}

void RepeatSend::tick()
{
    if (!w_.ComOpened())
        return stop("info_RepeatPortClosed", false);
    if (w_.btnSendTpye->property("Tag").toInt() != 1)
        return stop("info_RepeatSerialOnly", true);
    if (w_.edtSend->toPlainText().isEmpty())
        return stop("info_RepeatEmpty", true);
    // A Get All or Set All in progress keeps the line to itself.
    if (w_.protocol()->queueState() == TQueueState::Waiting)
        return;
    if (!send_())
        return stop("info_RepeatStopped", false);
    ++sent_;
}

void RepeatSend::stop(const char *key, bool err)
{
    timer_.stop();
    {
        const QSignalBlocker b(box_);
        box_->setChecked(false);
    }
    const QByteArray line = LangText(key);
    if (err)
        w_.console()->ShowErr(line);
    else
        w_.console()->ShowInfo(line);
}
