#include "ui/RepeatSend.h"

#include "lang/AppLang.h"
#include "ui/Console.h"
#include "ui/ConsolePanel.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QFrame>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>

RepeatSend::RepeatSend(ConsolePanel &panel, Deps deps) : QObject(&panel), panel_(panel), deps_(std::move(deps))
{
    box_ = new QCheckBox(panel.rztlbrSend);
    box_->setObjectName(QStringLiteral("chkRepeatSend"));
    spin_ = new QSpinBox(panel.rztlbrSend);
    spin_->setObjectName(QStringLiteral("spnRepeatMs"));
    spin_->setRange(kMinMs, kMaxMs);
    spin_->setValue(kDefaultMs);
    spin_->setSuffix(QStringLiteral(" ms"));
    spin_->setAccelerated(true);
    // Right after the send-type button, before the stretch that keeps Send on the right.
    if (auto *bar = qobject_cast<QBoxLayout *>(panel.rztlbrSend->layout())) {
        const int at = bar->indexOf(panel.btnSendTpye) + 1;
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
}

void RepeatSend::portClosed()
{
    if (running())
        stop("info_RepeatPortClosed", false);
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
    if (!deps_.portOpen())
        return stop("info_RepeatPortClosed", false);
    if (panel_.btnSendTpye->property("Tag").toInt() != 1)
        return stop("info_RepeatSerialOnly", true);
    if (panel_.edtSend->toPlainText().isEmpty())
        return stop("info_RepeatEmpty", true);
    // A Get All or Set All in progress keeps the line to itself.
    if (deps_.busy())
        return;
    if (!deps_.send())
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
        panel_.console()->ShowErr(line);
    else
        panel_.console()->ShowInfo(line);
}
