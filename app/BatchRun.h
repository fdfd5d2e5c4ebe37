#pragma once
// One batch run on a hidden window: the phases of every command, waiting in an
// event loop that only the line and timers wake.
#include "app/Batch.h"
#include "app/BatchOutput.h"
#include "config/Records.h"
#include "app/ValuesCsv.h"
#include "protocol/Outcome.h"
#include "protocol/SettingPlan.h"

#include <QByteArray>
#include <QEventLoop>
#include <QList>
#include <QSet>
#include <QTimer>

class TFrm_Main;

// The records command: list or export, no port.
int RunRecords(const BatchArgs &a, BatchOutput &out);

// How a queued operation ended, as an exit code.
int CodeOf(const TOpOutcome &o);
QString Joined(const QList<QByteArray> &words);

// One batch run on a hidden window.
class BatchRun {
public:
    BatchRun(const BatchArgs &a, BatchOutput &out) : a_(a), out_(out) {}
    int exec(); // the command, and its record for provision
    TOpOutcome outcome; // what the module said, over all phases

private:
    int execCommand();
    bool fromFile() const { return a_.command == "set-all" || a_.command == "verify" || a_.command == "provision"; }
    int checkArgs();
    int loadFile(TFrm_Main &w, const QString &workIni);
    bool openPort(TFrm_Main &w);
    void wire(TFrm_Main &w);
    void start(TFrm_Main &w);
    int wait(); // until settle(); -1 never
    void settle(int code);
    int getAllResult(TFrm_Main &w, const QString &workIni);
    int setAllResult();
    int verifyResult(TFrm_Main &w);
    // provision: the values and the records before the port; the run; its record.
    int checkProvision();
    int provision(TFrm_Main &w, const QString &workDir);
    int readBack(TFrm_Main &w);
    void newPhase();
    void writeRecord(int code);

    const BatchArgs &a_;
    BatchOutput &out_;
    QByteArray iniBytes_; // the file as read once, the bytes that are checked and used
    QList<TSetting> filePlan_;
    QSet<QByteArray> noValue_; // words the file holds no value for
    QEventLoop loop_;
    QTimer deadline_, quiet_;
    int result_ = -1;
    bool phaseEnded_ = false;
    bool refused_ = false, heard_ = false; // send
    int shownTenth_ = -1;                  // upgrade
    ValuesCsv values_;                     // provision
    RecordStore records_;
    ProvisionRecord record_;
    bool recording_ = false;
};

