#pragma once
// Between the module's parameter values and the form: what Set All sends for
// each parameter, how a reported value goes back into the controls, and the two
// bulk operations that begin with the version query.
#include "protocol/Catalogue.h"
#include "protocol/Outcome.h"
#include "protocol/SettingPlan.h"
#include "util/ProFun.h"

#include <QByteArray>
#include <QSet>

#include <cstdint>
#include <functional>

class FormHooks;
class LineSink;
class OrderList;
class QCheckBox;
class QComboBox;
class Sender;
struct FormControls;


class ParamCodec {
public:
    ParamCodec(FormControls &controls, FormHooks &hooks, LineSink &console, OrderList &orders,
               Sender &sender);

    // A reported value into the form; names outside the catalogue do nothing.
    void ApplyParam(const QByteArray &name, const QByteArray &value);
    // "ON" checks, "OFF" clears, anything else leaves the box; then the box is
    // inverted twice so its click handler runs whatever the value was.
    void ApplyOnOff(QCheckBox *box, const QByteArray &value);
    // The keyword lists and the registration data slots.
    void ApplyComboParam(TCmd c, QComboBox *list, const QByteArray &value);

    static QByteArray OnOffOf(const QCheckBox *box);
    QByteArray UartText() const;
    static THdVerSign VerClass(const QByteArray &version);

    void AddGetAllOrders();
    void AddSetAllOrders();
    // New queue with the version query alone, sent with the time-out armed.
    void AskVersion();
    void ContinueBulk();

    // Every module value of the form, as Set All would write it, and why not.
    QList<TSetting> Plan() const { return SettingPlan(c_, hooks_); }
    // Set All writes every value the form holds, whatever its boxes say (not
    // the lists with no item chosen).
    void SetWriteAll(bool all) { writeAll_ = all; }
    // Words Set All never writes (a file that holds no value for them).
    void SetOmitted(const QSet<QByteArray> &words) { omitted_ = words; }

    TBulkMode BulkMode() const { return bulkMode_; }
    void SetBulkMode(TBulkMode m) { bulkMode_ = m; }

    // Told every catalogue word whose value ApplyParam handled.
    std::function<void(TCmd)> onApplied;

    // Slot k of cbbRegDt; the list keeps its selection.
    void WriteRegDtSlot(int k, const QByteArray &text);

    // Selects the item whose text equals value (letters without regard to
    // case), or no item when none does.
    static void SelectItem(QComboBox *list, const QByteArray &value);

private:
    void applyWkMod(const QByteArray &value);
    void addSmsQueries(const QByteArray &wkmod);
    void applyUart(const QByteArray &value);
    void applySock(int i, const QByteArray &value);

    FormControls &c_;
    FormHooks &hooks_;
    LineSink &console_;
    OrderList &orders_;
    Sender &sender_;
    TBulkMode bulkMode_ = TBulkMode::None;
    bool writeAll_ = false;
    QSet<QByteArray> omitted_;
};
