#pragma once
// Between the module's parameter values and the form: what Set All sends for
// each parameter, how a reported value goes back into the controls, and the two
// bulk operations that begin with the version query.
#include "protocol/Catalogue.h"
#include "util/ProFun.h"

#include <QByteArray>

#include <cstdint>
#include <functional>

class FormHooks;
class LineSink;
class OrderList;
class QCheckBox;
class QComboBox;
class Sender;
struct FormControls;

// The bulk operation the next version answer continues.
enum class TBulkMode : uint8_t { None = 0, GetAll = 1, SetAll = 2 };

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
    void addSocketSettings(int i);
    void addHeartSettings();
    void addRegSettings();

    FormControls &c_;
    FormHooks &hooks_;
    LineSink &console_;
    OrderList &orders_;
    Sender &sender_;
    TBulkMode bulkMode_ = TBulkMode::None;
};
