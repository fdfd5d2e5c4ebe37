#include "ui/StationWindow.h"

#include "comm/PortList.h"
#include "comm/PortWatcher.h"
#include "config/Records.h"
#include "lang/AppLang.h"
#include "ui/ProvisionChild.h"
#include "ui/StationProbe.h"
#include "ui/StationRecords.h"

#include <QApplication>
#include <QCheckBox>
#include <QCryptographicHash>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSysInfo>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

enum Column { ColPort, ColState, ColImei, ColSn, ColProgress, ColOutcome, ColSeconds, ColCount };

QByteArray sha256Of(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return h.result().toHex();
}

// One name per device: its stable by-id name when it has one.
QStringList serialPortsOnce()
{
    QMap<QString, QString> byDevice;
    for (const QString &p : ListSerialPorts()) {
        const QString dev = PortDevice(p);
        if (!byDevice.contains(dev) || p.startsWith(QLatin1String("/dev/serial/by-id/")))
            byDevice.insert(dev, p);
    }
    return byDevice.values();
}

} // namespace

StationWindow::StationWindow(StationSetup setup, QWidget *parent) : QMainWindow(parent), setup_(std::move(setup))
{
    setObjectName(QStringLiteral("frmStation"));
    if (setup_.station.isEmpty())
        setup_.station = QSysInfo::machineHostName();
    if (setup_.program.isEmpty())
        setup_.program = QCoreApplication::applicationFilePath();
    if (!setup_.listPorts && setup_.ports.isEmpty())
        setup_.listPorts = serialPortsOnce;

    auto *central = new QWidget(this);
    auto *files = new QGridLayout;
    templateLabel_ = new QLabel(central);
    valuesLabel_ = new QLabel(central);
    templateLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    valuesLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    files->addWidget(templateLabel_, 0, 0);
    files->addWidget(valuesLabel_, 1, 0);
    for (int i = 0; i < 2; ++i) {
        choose_[i] = new QPushButton(central);
        choose_[i]->setObjectName(i == 0 ? QStringLiteral("btnStationTemplate") : QStringLiteral("btnStationValues"));
        files->addWidget(choose_[i], i, 1);
        connect(choose_[i], &QPushButton::clicked, this, [this, i] {
            const QString path = QFileDialog::getOpenFileName(this, QString(), QString(),
                                                              i == 0 ? QStringLiteral("INI (*.ini);;* (*)")
                                                                     : QStringLiteral("CSV (*.csv);;* (*)"));
            if (path.isEmpty())
                return;
            (i == 0 ? setup_.templatePath : setup_.valuesPath) = path;
            if (i == 0)
                templateSum_ = sha256Of(path);
            notice_->clear();
            showFiles();
        });
    }
    files->setColumnStretch(0, 1);
    notice_ = new QLabel(central);
    notice_->setObjectName(QStringLiteral("lblStationNotice"));
    notice_->setStyleSheet(QStringLiteral("color: #d00000"));
    notice_->setWordWrap(true);

    table_ = new QTableWidget(0, ColCount, central);
    table_->setObjectName(QStringLiteral("tblStation"));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(ColOutcome, QHeaderView::Stretch);
    for (int c : {ColPort, ColState, ColImei, ColSn})
        table_->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);

    start_ = new QPushButton(central);
    stop_ = new QPushButton(central);
    startAll_ = new QPushButton(central);
    log_ = new QPushButton(central);
    auto_ = new QCheckBox(central);
    start_->setObjectName(QStringLiteral("btnStationStart"));
    stop_->setObjectName(QStringLiteral("btnStationStop"));
    startAll_->setObjectName(QStringLiteral("btnStationStartAll"));
    log_->setObjectName(QStringLiteral("btnStationLog"));
    auto_->setObjectName(QStringLiteral("chkStationAuto"));
    totals_ = new QLabel(central);
    totals_->setObjectName(QStringLiteral("lblStationTotals"));
    connect(start_, &QPushButton::clicked, this, [this] { startRow(selectedRow()); });
    connect(stop_, &QPushButton::clicked, this, [this] { stopRow(selectedRow()); });
    connect(startAll_, &QPushButton::clicked, this, &StationWindow::startAll);
    connect(log_, &QPushButton::clicked, this, &StationWindow::showLog);
    connect(auto_, &QCheckBox::toggled, this, [this](bool on) {
        if (on) {
            refreshPorts();
            probeIdle();
        }
    });
    auto *bar = new QHBoxLayout;
    for (QWidget *w : {static_cast<QWidget *>(start_), static_cast<QWidget *>(stop_), static_cast<QWidget *>(startAll_),
                       static_cast<QWidget *>(auto_), static_cast<QWidget *>(log_)})
        bar->addWidget(w);
    bar->addStretch(1);
    bar->addWidget(totals_);

    auto *runs = new QWidget(central);
    auto *runsLay = new QVBoxLayout(runs);
    runsLay->addLayout(bar);
    runsLay->addWidget(table_, 1);
    records_ = new StationRecords(RecordsPlace(setup_.records), setup_.station, central);
    tabs_ = new QTabWidget(central);
    tabs_->addTab(runs, QString());
    tabs_->addTab(records_, QString());
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int i) {
        if (i == 1)
            records_->reload();
    });

    auto *lay = new QVBoxLayout(central);
    lay->addLayout(files);
    lay->addWidget(notice_);
    lay->addWidget(tabs_, 1);
    setCentralWidget(central);
    resize(1100, 600); // fits a 1366x768 screen with its panels

    // Seconds of the running rows.
    auto *tick = new QTimer(this);
    tick->setInterval(1000);
    connect(tick, &QTimer::timeout, this, [this] {
        for (int r = 0; r < rowCount(); ++r)
            if (rows_[r].child && rows_[r].child->running())
                table_->item(r, ColSeconds)->setText(QString::number(rows_[r].clock.elapsed() / 1000));
    });
    tick->start();
    // Fixed ports stay present: under auto start a probe tells when a module answers there.
    auto *probes = new QTimer(this);
    probes->setInterval(std::max(100, setup_.probeMs));
    connect(probes, &QTimer::timeout, this, &StationWindow::probeIdle);
    probes->start();

    watcher_ = setup_.watchDirs.isEmpty() ? new PortWatcher(this) : new PortWatcher(setup_.watchDirs, this);
    connect(watcher_, &PortWatcher::portsChanged, this, &StationWindow::refreshPorts);
    templateSum_ = sha256Of(setup_.templatePath);
    for (const QString &p : setup_.ports)
        addRow(p);
    refreshPorts();
    applyTexts();
}

StationWindow::~StationWindow() = default;

QString StationWindow::stateText(State s) const
{
    static const char *const keys[] = {"lang_StIdle", "lang_StWaiting", "lang_StReading", "lang_StWriting",
                                       "lang_StVerifying", "lang_StDone", "lang_StFailed", "lang_StGone"};
    return LangTextU(keys[int(s)]);
}

void StationWindow::applyTexts()
{
    setWindowTitle(LangTextU("lang_Station"));
    tabs_->setTabText(0, LangTextU("lang_StRuns"));
    tabs_->setTabText(1, LangTextU("lang_StRecords"));
    table_->setHorizontalHeaderLabels({LangTextU("lang_StPort"), LangTextU("lang_StState"), QStringLiteral("IMEI"),
                                       QStringLiteral("SN"), LangTextU("lang_StProgress"), LangTextU("lang_StOutcome"),
                                       LangTextU("lang_StSeconds")});
    start_->setText(LangTextU("lang_StStart"));
    stop_->setText(LangTextU("lang_StStop"));
    startAll_->setText(LangTextU("lang_StStartAll"));
    auto_->setText(LangTextU("lang_StAuto"));
    log_->setText(LangTextU("lang_StLog"));
    for (QPushButton *b : choose_)
        b->setText(LangTextU("lang_StChoose"));
    records_->applyTexts();
    for (int r = 0; r < rowCount(); ++r)
        showRow(r);
    showFiles();
    showTotals();
}

void StationWindow::showFiles()
{
    const auto line = [](const QString &key, const QString &path, const QByteArray &sum) {
        return QStringLiteral("%1 %2  (SHA-256 %3)").arg(LangTextU(key.toLatin1()), path.isEmpty() ? QStringLiteral("-") : path,
                                                         sum.isEmpty() ? QStringLiteral("-") : QString::fromLatin1(sum.left(16)));
    };
    templateLabel_->setText(line(QStringLiteral("lang_StTemplate"), setup_.templatePath, templateSum_));
    valuesLabel_->setText(line(QStringLiteral("lang_StValues"), setup_.valuesPath,
                               setup_.valuesPath.isEmpty() ? QByteArray() : sha256Of(setup_.valuesPath)));
}

void StationWindow::showTotals()
{
    const double hours = since_.isValid() ? double(since_.elapsed()) / 3.6e6 : 0;
    const QString perHour = hours > 0 ? QString::number(double(done_) / hours, 'f', 0) : QStringLiteral("-");
    totals_->setText(LangTextU("lang_StTotals").arg(done_).arg(failed_).arg(perHour));
}

int StationWindow::rowOf(const QString &port) const
{
    for (int r = 0; r < rowCount(); ++r)
        if (rows_[r].port == port)
            return r;
    return -1;
}

int StationWindow::rowOfChild(const ProvisionChild *child) const
{
    for (int r = 0; r < rowCount(); ++r)
        if (rows_[r].child == child)
            return r;
    return -1;
}

int StationWindow::selectedRow() const
{
    const auto sel = table_->selectionModel()->selectedRows();
    return sel.isEmpty() ? table_->currentRow() : sel.first().row();
}

void StationWindow::addRow(const QString &port)
{
    Row row;
    row.port = port;
    rows_.append(row);
    const int r = table_->rowCount();
    table_->insertRow(r);
    for (int c = 0; c < ColCount; ++c)
        if (c != ColProgress)
            table_->setItem(r, c, new QTableWidgetItem);
    auto *bar = new QProgressBar(table_);
    bar->setRange(0, 1);
    bar->setValue(0);
    table_->setCellWidget(r, ColProgress, bar);
    table_->item(r, ColPort)->setText(port);
    showRow(r);
}

void StationWindow::showRow(int r)
{
    table_->item(r, ColState)->setText(stateText(rows_[r].state));
    table_->item(r, ColOutcome)->setText(rows_[r].outcome);
}

void StationWindow::setState(int r, State s, const QString &outcome)
{
    rows_[r].state = s;
    if (!outcome.isNull())
        rows_[r].outcome = outcome;
    showRow(r);
}

QStringList StationWindow::currentPorts() const
{
    if (!setup_.ports.isEmpty()) {
        QStringList present;
        for (const QString &p : setup_.ports)
            if (QFileInfo::exists(p))
                present << p;
        return present;
    }
    return setup_.listPorts ? setup_.listPorts() : QStringList();
}

void StationWindow::refreshPorts()
{
    const QStringList now = currentPorts();
    for (const QString &p : now)
        if (rowOf(p) < 0)
            addRow(p);
    for (int r = rowCount() - 1; r >= 0; --r) {
        Row &row = rows_[r];
        const bool running = row.child && row.child->running();
        row.present = now.contains(row.port);
        if (row.present)
            continue;
        row.waitGone = false; // gone: the next module may come
        if (running)
            continue;
        if (setup_.ports.isEmpty()) { // rows follow the devices
            rows_.removeAt(r);
            table_->removeRow(r);
        } else {
            setState(r, State::Gone);
        }
    }
    for (int r = 0; r < rowCount(); ++r) {
        Row &row = rows_[r];
        if (!row.present || (row.child && row.child->running()))
            continue;
        if (row.state == State::Gone)
            setState(r, auto_->isChecked() ? State::Waiting : State::Idle, QString());
        if (auto_->isChecked() && !row.waitGone && setup_.ports.isEmpty())
            startRow(r);
    }
}

void StationWindow::probeIdle()
{
    if (!auto_->isChecked() || setup_.ports.isEmpty())
        return;
    for (int r = 0; r < rowCount(); ++r) {
        Row &row = rows_[r];
        if (!row.present || (row.child && row.child->running()))
            continue;
        if (!row.probe) {
            row.probe = new StationProbe(setup_.program, row.port, setup_.baud, this);
            StationProbe *probe = row.probe;
            connect(probe, &StationProbe::heard, this,
                    [this, probe](const QString &identity) { probeHeard(probe, identity); });
        }
        row.probe->start();
    }
}

// The next module is one that answers after the port was silent, or with
// another identity than the module the last run read.
void StationWindow::probeHeard(StationProbe *probe, const QString &identity)
{
    int r = 0;
    while (r < rowCount() && rows_[r].probe != probe)
        ++r;
    if (r == rowCount())
        return;
    Row &row = rows_[r];
    if (row.startAfterProbe) {
        row.startAfterProbe = false;
        launch(r);
        return;
    }
    if (!auto_->isChecked() || (row.child && row.child->running()))
        return;
    if (identity.isEmpty()) {
        if (row.waitGone || row.state == State::Idle) {
            row.waitGone = false;
            setState(r, State::Waiting, QString());
        }
        return;
    }
    if (!row.waitGone || identity != row.lastIdentity)
        launch(r);
}

void StationWindow::setAutoStart(bool on) { auto_->setChecked(on); }

void StationWindow::startAll()
{
    for (int r = 0; r < rowCount(); ++r)
        if (rows_[r].present)
            startRow(r);
}

void StationWindow::startRow(int r)
{
    if (r < 0 || r >= rowCount() || (rows_[r].child && rows_[r].child->running()))
        return;
    if (rows_[r].probe && rows_[r].probe->running()) {
        // One program on a port at a time: the run follows the probe.
        rows_[r].startAfterProbe = true;
        rows_[r].probe->stop();
        return;
    }
    launch(r);
}

void StationWindow::launch(int r)
{
    if (r < 0 || r >= rowCount() || (rows_[r].child && rows_[r].child->running()))
        return;
    if (setup_.templatePath.isEmpty()) {
        notice_->setText(LangTextU("info_StNoTemplate"));
        return;
    }
    // A template changed on disk is noticed before the next module gets it.
    const QByteArray sum = sha256Of(setup_.templatePath);
    if (sum != templateSum_) {
        templateSum_ = sum;
        notice_->setText(LangTextU("info_StTemplateChanged").replace(QLatin1String("%s"), setup_.templatePath));
        showFiles();
    }
    Row &row = rows_[r];
    if (!row.child) {
        row.child = new ProvisionChild(this);
        ProvisionChild *child = row.child;
        connect(child, &ProvisionChild::phase, this, [this, child](const QString &p) {
            if (const int k = rowOfChild(child); k >= 0)
                setState(k, p == "writing" ? State::Writing : p == "verifying" ? State::Verifying : State::Reading);
        });
        connect(child, &ProvisionChild::identity, this, [this, child](const QString &imei, const QString &sn) {
            if (const int k = rowOfChild(child); k >= 0) {
                table_->item(k, ColImei)->setText(imei);
                table_->item(k, ColSn)->setText(sn);
            }
        });
        connect(child, &ProvisionChild::progress, this, [this, child](int done, int total) {
            const int k = rowOfChild(child);
            if (auto *bar = k >= 0 ? qobject_cast<QProgressBar *>(table_->cellWidget(k, ColProgress)) : nullptr) {
                bar->setRange(0, std::max(1, total));
                bar->setValue(done);
            }
        });
        connect(child, &ProvisionChild::finished, this,
                [this, child](int code, const QString &outcome, const QString &cause, bool recorded) {
                    finished(child, code, outcome, cause, recorded);
                });
    }
    if (!since_.isValid())
        since_.start();
    row.clock.start();
    table_->item(r, ColImei)->setText(QString());
    table_->item(r, ColSn)->setText(QString());
    table_->item(r, ColSeconds)->setText(QStringLiteral("0"));
    setState(r, State::Reading, QString());
    QStringList args = {"--batch", "provision", "--port", row.port, "--baud", setup_.baud, "--ini", setup_.templatePath,
                        "--records", RecordsPlace(setup_.records), "--station", setup_.station, "--json",
                        "--timeout", QString::number(std::max(10, setup_.timeoutS / 3))};
    if (!setup_.valuesPath.isEmpty())
        args << "--values" << setup_.valuesPath;
    row.child->start(setup_.program, args, setup_.timeoutS);
}

void StationWindow::stopRow(int r)
{
    if (r < 0 || r >= rowCount())
        return;
    rows_[r].startAfterProbe = false;
    if (rows_[r].child)
        rows_[r].child->stop();
}

void StationWindow::finished(ProvisionChild *child, int code, const QString &outcome, const QString &cause,
                             bool recorded)
{
    const int r = rowOfChild(child);
    if (r < 0)
        return;
    Row &row = rows_[r];
    const double seconds = double(row.clock.elapsed()) / 1000.0;
    if (!recorded) {
        // The child ended before it could write its record: the station writes it.
        ProvisionRecord rec;
        rec.startedAt = QDateTime::currentDateTimeUtc().addMSecs(-row.clock.elapsed());
        rec.seconds = seconds;
        rec.station = setup_.station;
        rec.port = row.port;
        rec.imei = table_->item(r, ColImei)->text();
        rec.sn = table_->item(r, ColSn)->text();
        rec.templateName = QFileInfo(setup_.templatePath).fileName();
        rec.templateSha256 = QString::fromLatin1(templateSum_);
        rec.outcome = outcome;
        rec.exitCode = code;
        rec.detail = cause;
        RecordStore store;
        QString why;
        if (!store.open(RecordsPlace(setup_.records), &why) || !store.append(rec, &why))
            notice_->setText(why);
    }
    static const QMap<QString, const char *> ownWords = {{"crashed", "info_StCrashed"}, {"timed-out", "info_StTimedOut"},
                                                          {"stopped", "info_StStopped"}};
    QString shown = ownWords.contains(outcome) ? LangTextU(ownWords.value(outcome)) : outcome;
    if (!cause.isEmpty() && code != 0)
        shown += QStringLiteral(": ") + cause;
    (code == 0 ? done_ : failed_) += 1;
    row.waitGone = true;
    row.lastIdentity = StationIdentity(table_->item(r, ColImei)->text(), table_->item(r, ColSn)->text());
    if (auto *bar = qobject_cast<QProgressBar *>(table_->cellWidget(r, ColProgress)); bar && code == 0)
        bar->setValue(bar->maximum());
    table_->item(r, ColSeconds)->setText(QString::number(seconds, 'f', 0));
    setState(r, code == 0 ? State::Done : State::Failed, shown);
    showTotals();
    if (tabs_->currentIndex() == 1)
        records_->reload();
    emit rowFinished(r, outcome);
}

void StationWindow::showLog()
{
    const int r = selectedRow();
    if (r < 0 || r >= rowCount())
        return;
    QDialog dlg(this);
    dlg.setWindowTitle(rows_[r].port);
    auto *text = new QPlainTextEdit(&dlg);
    text->setReadOnly(true);
    text->setPlainText(rows_[r].child ? rows_[r].child->log().join(QLatin1Char('\n')) : QString());
    auto *lay = new QVBoxLayout(&dlg);
    lay->addWidget(text);
    dlg.resize(800, 500);
    dlg.exec();
}
