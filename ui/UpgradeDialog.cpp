#include "ui/UpgradeDialog.h"

#include "lang/AppLang.h"
#include "ui/Console.h"
#include "util/Gbk.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString withPath(const char *key, const QString &path)
{
    return LangTextU(key).replace(QLatin1String("%s"), QDir::toNativeSeparators(path));
}

} // namespace

UpgradeDialog::UpgradeDialog(const UpgradeHost &host) : QDialog(host.window), host_(host), fw_(host.firmware())
{
    setObjectName(QStringLiteral("dlgUpgrade"));
    setWindowModality(Qt::WindowModal);
    steps_ = new QLabel(this);
    steps_->setObjectName(QStringLiteral("lblUpgSteps"));
    steps_->setWordWrap(true);
    image_ = new QLabel(this);
    image_->setObjectName(QStringLiteral("lblUpgImage"));
    image_->setWordWrap(true);
    image_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("lblUpgSummary"));
    choose_ = new QPushButton(this);
    choose_->setObjectName(QStringLiteral("btnUpgChoose"));
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("pbUpgrade"));
    QSizePolicy keep = bar_->sizePolicy(); // the dialog keeps its size when the bar shows
    keep.setRetainSizeWhenHidden(true);
    bar_->setSizePolicy(keep);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblUpgStatus"));
    status_->setWordWrap(true);
    status_->setMinimumHeight(status_->fontMetrics().lineSpacing() * 2);
    cancel_ = new QPushButton(this);
    cancel_->setObjectName(QStringLiteral("btnUpgCancel"));
    close_ = new QPushButton(this);
    close_->setObjectName(QStringLiteral("btnUpgClose"));

    auto *imageRow = new QHBoxLayout;
    imageRow->addWidget(image_, 1);
    imageRow->addWidget(choose_);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    buttons->addWidget(close_);
    auto *v = new QVBoxLayout(this);
    v->addWidget(steps_);
    v->addSpacing(6);
    v->addLayout(imageRow);
    v->addWidget(summary_);
    v->addWidget(bar_);
    v->addWidget(status_);
    v->addStretch(1);
    v->addLayout(buttons);
    setMinimumWidth(460);

    askImagePath = [this] {
        return QFileDialog::getOpenFileName(this, LangTextU("info_SlctFwFile"), QDir::currentPath(),
                                            fw_.DialogFilter());
    };
    connect(choose_, &QPushButton::clicked, this, &UpgradeDialog::chooseClicked);
    connect(cancel_, &QPushButton::clicked, this, &UpgradeDialog::cancel);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    connect(&fw_, &FwUpgrade::transferProgress, this, &UpgradeDialog::onProgress);
    connect(&fw_, &FwUpgrade::transferEnded, this, &UpgradeDialog::onEnded);
    applyTexts();
    setPhase(Phase::NoImage);
}

void UpgradeDialog::applyTexts()
{
    setWindowTitle(LangTextU("lang_UpgTitle"));
    steps_->setText(LangTextU("lang_UpgStep1") + QLatin1Char('\n') + LangTextU("lang_UpgStep2") + QLatin1Char('\n') +
                    LangTextU("lang_UpgStep3"));
    choose_->setText(LangTextU("lang_UpgChoose"));
    cancel_->setText(LangTextU("lang_UpgCancel"));
    close_->setText(LangTextU("lang_UpgClose"));
    image_->setText(path_.isEmpty() ? LangTextU("lang_UpgNoImage") : QDir::toNativeSeparators(path_));
    summary_->setText(size_ < 0 ? QString()
                                : LangTextU("lang_UpgImage")
                                      .arg(size_)
                                      .arg(QStringLiteral("%1").arg(crc_, 8, 16, QLatin1Char('0')).toUpper()));
    if (phase_ == Phase::Waiting)
        setStatus(LangTextU("lang_UpgWaiting"), false);
}

void UpgradeDialog::reset()
{
    if (phase_ == Phase::Waiting || phase_ == Phase::Sending)
        return;
    path_.clear();
    size_ = -1;
    setStatus(QString(), false);
    setPhase(Phase::NoImage);
    applyTexts();
}

QString UpgradeDialog::statusText() const { return status_->text(); }

void UpgradeDialog::setStatus(const QString &text, bool error)
{
    status_->setText(text);
    QPalette pal = status_->palette();
    pal.setColor(QPalette::WindowText, ConsoleView::colourOf(error ? LineKind::Err : LineKind::Info, palette()));
    status_->setPalette(pal);
}

void UpgradeDialog::setPhase(Phase p)
{
    phase_ = p;
    const bool underWay = p == Phase::Waiting || p == Phase::Sending;
    choose_->setEnabled(p != Phase::Sending);
    cancel_->setEnabled(underWay);
    close_->setEnabled(!underWay); // leaving an upgrade under way is Cancel (or Escape)
    bar_->setVisible(p == Phase::Sending);
    (underWay ? cancel_ : close_)->setDefault(true);
}

void UpgradeDialog::chooseClicked()
{
    if (!fw_.PrepareChoice()) { // the port is closed (the console says so too)
        setStatus(LangTextU("info_ComNoOpen"), true);
        return;
    }
    const QString path = askImagePath();
    if (!path.isEmpty())
        choose(path);
}

bool UpgradeDialog::choose(const QString &path)
{
    if (!fw_.ChooseFile(path)) {
        const QFileInfo fi(path);
        setStatus(withPath(fi.isFile() && fi.size() == 0 ? "info_FwEmpty" : "info_FwOpenFail", path), true);
        path_.clear();
        size_ = -1;
        setPhase(Phase::NoImage);
        applyTexts();
        return false;
    }
    // What the file holds now; the transfer reads it again when it starts and the console
    // shows the CRC-32 of what was sent.
    QFile f(path);
    QByteArray bytes;
    if (f.open(QIODevice::ReadOnly))
        bytes = f.read(FwUpgrade::kMaxImageBytes);
    path_ = path;
    size_ = QFileInfo(path).size();
    crc_ = ImageCrc32(bytes);
    setPhase(Phase::Waiting);
    applyTexts();
    return true;
}

void UpgradeDialog::cancel()
{
    if (phase_ != Phase::Waiting && phase_ != Phase::Sending)
        return;
    if (fw_.Busy()) {
        fw_.Cancel(); // transferEnded(UserCancelled) says the rest
        return;
    }
    fw_.Cancel(); // only lets the image go: a later boot menu starts nothing
    setPhase(Phase::Ended);
    setStatus(LangTextU("lang_UpgCancelled"), false);
}

void UpgradeDialog::reject()
{
    cancel();
    QDialog::reject();
}

void UpgradeDialog::onProgress(int sent, int total)
{
    if (phase_ != Phase::Waiting && phase_ != Phase::Sending)
        return;
    if (phase_ == Phase::Waiting || sent <= 1) // the first block, or the boot loader started over
        since_.start();
    setPhase(Phase::Sending);
    bar_->setRange(0, total);
    bar_->setValue(sent);
    const double secs = double(since_.elapsed()) / 1000;
    const double kbs = secs > 0 ? double(sent - 1) * fw::BLOCK_DATA / 1024 / secs : 0;
    setStatus(LangTextU("lang_UpgProgress").arg(sent).arg(total).arg(kbs, 0, 'f', 1), false);
}

QString UpgradeDialog::causeOf(TFwEnd end) const
{
    switch (end) {
    case TFwEnd::NakLimit:
        return LangTextU("info_FwNakLimit");
    case TFwEnd::Cancelled:
        return LangTextU("info_FwCancelled");
    case TFwEnd::Unreadable:
        return withPath("info_FwUnreadable", path_);
    case TFwEnd::Empty:
        return withPath("info_FwEmpty", path_);
    case TFwEnd::OtherBytes:
        return LangTextU("info_FwOtherBytes");
    case TFwEnd::Quiet:
        return LangTextU("info_FwQuiet").replace(QLatin1String("%s"), QString::number(FwUpgrade::kQuietMs / 1000));
    case TFwEnd::UserCancelled:
        return LangTextU("info_FwUserCancelled");
    case TFwEnd::Done:
        break;
    }
    return QString();
}

void UpgradeDialog::onEnded(TFwEnd end)
{
    if (phase_ != Phase::Waiting && phase_ != Phase::Sending)
        return;
    const qint64 secs = since_.isValid() ? since_.elapsed() / 1000 : 0;
    setPhase(Phase::Ended);
    if (end == TFwEnd::Done) {
        const bool restarts = host_.restarts && host_.restarts();
        setStatus(LangTextU(restarts ? "lang_UpgDone" : "lang_UpgDoneNoRestart").arg(secs), false);
        return;
    }
    // A failed upgrade is not taken up again by the module's next menu: choosing the image
    // again is the user's decision.
    fw_.CloseFile();
    if (end == TFwEnd::UserCancelled)
        setStatus(causeOf(end), false);
    else
        setStatus(LangTextU("lang_UpgFailed").arg(causeOf(end)), true);
}

void InstallUpgradeMenu(QMenu &fileMenu, const UpgradeHost &host)
{
    auto *item = new QAction(host.window);
    item->setObjectName(QStringLiteral("mniUpgrade"));
    QAction *first = fileMenu.actions().value(0);
    fileMenu.insertAction(first, item);
    fileMenu.insertSeparator(first);
    QObject::connect(item, &QAction::triggered, host.window, [host] { OpenUpgradeDialog(host); });
}

void ApplyUpgradeTexts(QWidget &window)
{
    if (auto *item = window.findChild<QAction *>(QStringLiteral("mniUpgrade")))
        item->setText(LangTextU("lang_mniUpgrade"));
    if (auto *d = window.findChild<UpgradeDialog *>())
        d->applyTexts();
}

UpgradeDialog *OpenUpgradeDialog(const UpgradeHost &host)
{
    auto *d = host.window->findChild<UpgradeDialog *>();
    if (!d)
        d = new UpgradeDialog(host);
    d->reset();
    d->open();
    return d;
}
