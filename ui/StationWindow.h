#pragma once
// A provisioning station: one row per port, each running its own provisioning
// child, with totals and the station's records. Rows follow the devices that
// come and go; with "Auto start" a row starts when a module is plugged in (a
// device appears, or on a fixed port a module answers the probe), and after it
// ends waits for the next one (the device gone and back, the port silent in
// between, or another identity answering).
#include <QElapsedTimer>
#include <QList>
#include <QMainWindow>
#include <QPointer>

#include <functional>

class ProvisionChild;
class StationProbe;
class PortWatcher;
class QCheckBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;
class StationRecords;

struct StationSetup {
    QString templatePath, valuesPath;
    QString records; // empty: the default place
    QString station; // empty: the host name
    QStringList ports; // fixed ports; empty: every serial port present
    QString baud = QStringLiteral("115200");
    QString program;  // the batch program; empty: this program
    int timeoutS = 300; // a child running longer is ended
    int probeMs = 3000; // fixed ports under auto start: pause between probes
    std::function<QStringList()> listPorts; // empty: the serial ports of the system
    QStringList watchDirs;                  // empty: /dev and /dev/serial/by-id
};

class StationWindow : public QMainWindow {
    Q_OBJECT
public:
    enum class State { Idle, Waiting, Reading, Writing, Verifying, Done, Failed, Gone };

    explicit StationWindow(StationSetup setup, QWidget *parent = nullptr);
    ~StationWindow() override;

    void applyTexts();
    int rowCount() const { return int(rows_.size()); }
    QString portOf(int row) const { return rows_.value(row).port; }
    State stateOf(int row) const { return rows_.value(row).state; }
    int rowOf(const QString &port) const;
    void startRow(int row);
    void stopRow(int row);
    void startAll();
    void setAutoStart(bool on);
    int done() const { return done_; }
    int failed() const { return failed_; }
    StationRecords *records() const { return records_; }

public slots:
    // Rows for the ports present now; auto start where a module came.
    void refreshPorts();

signals:
    void rowFinished(int row, const QString &outcome);

private:
    struct Row {
        QString port;
        bool present = false;
        bool waitGone = false; // ended: the next start needs the device gone and back
        State state = State::Idle;
        QPointer<ProvisionChild> child;
        QPointer<StationProbe> probe; // fixed ports only
        QString lastIdentity;         // of the module the last run read
        bool startAfterProbe = false;
        QElapsedTimer clock;
        QString outcome;
    };
    QStringList currentPorts() const;
    void addRow(const QString &port);
    void probeIdle();
    void probeHeard(StationProbe *probe, const QString &identity);
    void launch(int row);
    void setState(int row, State s, const QString &outcome = QString());
    void showRow(int row);
    void finished(ProvisionChild *child, int code, const QString &outcome, const QString &cause, bool recorded);
    void showTotals();
    void showFiles();
    void showLog();
    int selectedRow() const;
    int rowOfChild(const ProvisionChild *child) const;
    QString stateText(State s) const;

    StationSetup setup_;
    QList<Row> rows_;
    QTableWidget *table_ = nullptr;
    QTabWidget *tabs_ = nullptr;
    QLabel *templateLabel_ = nullptr, *valuesLabel_ = nullptr, *totals_ = nullptr, *notice_ = nullptr;
    QPushButton *start_ = nullptr, *stop_ = nullptr, *startAll_ = nullptr, *log_ = nullptr;
    QCheckBox *auto_ = nullptr;
    QPushButton *choose_[2] = {};
    StationRecords *records_ = nullptr;
    PortWatcher *watcher_ = nullptr;
    QByteArray templateSum_;
    int done_ = 0, failed_ = 0;
    QElapsedTimer since_; // from the first start, for modules per hour
};
