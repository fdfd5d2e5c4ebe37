#pragma once
// Asks a fixed port whether a module answers there, and which one: a read-only
// get-all in a child process of its own (it handles a module in its data state
// like the window does), so a silent or stuck port never stops the station.
#include <QObject>
#include <QTemporaryDir>

class ProvisionChild;

class StationProbe : public QObject {
    Q_OBJECT
public:
    StationProbe(QString program, QString port, QString baud, QObject *parent = nullptr);

    void start();
    void stop();
    bool running() const;

signals:
    // The module's identity ("IMEI/SN"); empty: no module answered.
    void heard(const QString &identity);

private:
    QString program_, port_, baud_;
    QTemporaryDir scratch_;
    ProvisionChild *child_;
    QString imei_, sn_;
};

// One text for a module's identity, as the station compares them.
QString StationIdentity(const QString &imei, const QString &sn);
