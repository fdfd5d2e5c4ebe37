#pragma once
// The main window's controls the protocol reads and writes, looked up once by
// object name. A control the form lacks stays null and is skipped.
#include <QByteArray>
#include <array>

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QRadioButton;
class QToolButton;
class QWidget;

struct FormControls {
    explicit FormControls(QWidget *form);

    // Sockets A..D.
    std::array<QCheckBox *, 4> skt{};
    std::array<QComboBox *, 4> protocol{};
    std::array<QComboBox *, 4> sl{};
    std::array<QLineEdit *, 4> addr{};
    std::array<QLineEdit *, 4> port{};
    std::array<QLineEdit *, 4> sockTo{};

    QCheckBox *rzchckbxE = nullptr;
    QCheckBox *rzchckbxHeartEn = nullptr;
    QCheckBox *rzchckbxRegEn = nullptr;
    QCheckBox *rzchckbxMore = nullptr;
    QCheckBox *rzchckbxRFC = nullptr;
    QCheckBox *rzchckbxSOCKIND = nullptr;
    QCheckBox *rzchckbxHtpFlt = nullptr;
    QCheckBox *rzchckbxSMSFLT = nullptr;
    QCheckBox *rzchckbxSMSPH = nullptr;
    QCheckBox *rzchckbxHeartDtHex = nullptr;
    QCheckBox *rzchckbxRegDtHex = nullptr;

    QRadioButton *rbNetTran = nullptr;
    QRadioButton *rbHttpd = nullptr;
    QRadioButton *rbSmsTran = nullptr;

    QComboBox *cbbHeartSnd = nullptr;
    QComboBox *cbbRegSnd = nullptr;
    QComboBox *cbbRegTp = nullptr;
    QComboBox *cbbRegDt = nullptr;
    QComboBox *cbbHTPTP = nullptr;
    QComboBox *cbbBaud = nullptr;
    QComboBox *cbbD = nullptr;
    QComboBox *cbbS = nullptr;
    QComboBox *cbbP = nullptr;
    QComboBox *cbbFlow = nullptr;

    QLineEdit *edtHeartTm = nullptr;
    QLineEdit *edtHeartDt = nullptr;
    QLineEdit *edtCloudPa = nullptr;
    QLineEdit *edtHTPURL = nullptr;
    QLineEdit *edtHTPSVIP = nullptr;
    QLineEdit *edtHTPSVPort = nullptr;
    QLineEdit *edtHtpTo = nullptr;
    QLineEdit *edtHTPHD = nullptr;
    QLineEdit *edtDSTNUM = nullptr;
    QLineEdit *edtUARTFT = nullptr;
    QLineEdit *edtUARTFL = nullptr;
    QLineEdit *lbledtCmdPw = nullptr;
    QLineEdit *lbledtStMsg = nullptr;
    QLineEdit *lbledtApn = nullptr;
    QLineEdit *edtReTelNum = nullptr;

    QPlainTextEdit *edtSend = nullptr;
    QProgressBar *rzpbWhile = nullptr;
    QToolButton *btnSendTpye = nullptr;
    QAction *mniAutoCR = nullptr;
};

// Control texts as line bytes and line bytes as control texts (GBK); a missing
// control reads as empty and ignores writes.
QByteArray TextOf(const QLineEdit *e);
void SetText(QLineEdit *e, const QByteArray &value);
QByteArray ShownText(const QComboBox *c);
bool IsChecked(const QCheckBox *b);
