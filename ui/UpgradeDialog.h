#pragma once
// "Upgrade firmware..." in the File menu. The dialog chooses the image (its size and CRC-32
// shown), says how to start the module's boot loader, follows the transfer (blocks and rate)
// and says how it ended. The transfer is the window's FwUpgrade, which answers the boot menu
// whenever it comes; the dialog chooses, watches and cancels, and learns everything from the
// transfer's signals.
#include "firmware/FwUpgrade.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QString>

#include <functional>

class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;

// What the dialog needs of the window: itself (the dialog's parent), the transfer, and whether
// the module is restarted after it.
struct UpgradeHost {
    QWidget *window = nullptr;
    std::function<FwUpgrade &()> firmware;
    std::function<bool()> restarts;
};

class UpgradeDialog : public QDialog {
    Q_OBJECT
public:
    explicit UpgradeDialog(const UpgradeHost &host);

    void applyTexts();
    // Back to "no image" unless an upgrade is under way (the dialog is opened again).
    void reset();

    // Asks for the image; empty: cancelled. Tests replace it; by default a file dialog.
    std::function<QString()> askImagePath;
    // The image at path, as the choose button takes it after its question.
    bool choose(const QString &path);
    // Stops a waiting or running upgrade (CAN CAN once the transfer was armed).
    void cancel();

    enum class Phase { NoImage, Waiting, Sending, Ended };
    Phase phase() const { return phase_; }
    QString statusText() const;

protected:
    // Escape or the window's close button: an upgrade under way is cancelled first.
    void reject() override;

private:
    void chooseClicked();
    void onProgress(int sent, int total);
    void onEnded(TFwEnd end);
    void setStatus(const QString &text, bool error);
    void setPhase(Phase p);
    QString causeOf(TFwEnd end) const;

    UpgradeHost host_;
    FwUpgrade &fw_;
    QLabel *steps_, *image_, *summary_, *status_;
    QProgressBar *bar_;
    QPushButton *choose_, *cancel_, *close_;
    QElapsedTimer since_; // from the first block
    Phase phase_ = Phase::NoImage;
    QString path_;
    qint64 size_ = -1;
    uint32_t crc_ = 0;
};

// The item at the top of fileMenu; the dialog is created when it is first opened.
void InstallUpgradeMenu(QMenu &fileMenu, const UpgradeHost &host);
// Captions in the current language (run by every text application).
void ApplyUpgradeTexts(QWidget &window);
// Shows the dialog (window-modal) and returns it.
UpgradeDialog *OpenUpgradeDialog(const UpgradeHost &host);
