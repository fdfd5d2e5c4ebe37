#pragma once
// The port bar: port, baud rate, framing, flow and the open/close button. It
// only shows and reports; the window opens and closes the port.
#include <QWidget>

class QComboBox;
class QLabel;
class QMenu;
class QToolButton;

class PortBar : public QWidget {
    Q_OBJECT
public:
    // pmIni and pmFwUpOpt hang on the bar's hidden tool buttons.
    PortBar(QMenu *pmIni, QMenu *pmFwUpOpt, QWidget *parent = nullptr);

    // Captions and hints in the current language.
    void applyTexts();
    // The open/close button as the port now is: its Tag (2 open, 1 closed), caption and icon.
    void showPortOpen(bool open);
    ~PortBar() override;

    QWidget *rztlbrCom = nullptr;
    QComboBox *cbbOpenCom = nullptr, *cbbOpenBaud = nullptr, *cbbOpenP = nullptr, *cbbOpenD = nullptr,
              *cbbOpenS = nullptr, *cbbOpenFlow = nullptr;
    QLabel *lblOpenCom = nullptr, *lblOpenBaud = nullptr, *lblOpenPDS = nullptr, *lblOpenFlow = nullptr;
    QToolButton *btnOpenClose = nullptr, *btnFwUp = nullptr;

signals:
    // The open/close button with its Tag (1 closed, 2 open), or 3 for the firmware button.
    void openCloseClicked(int tag);
    // The port list is about to drop down, or closed again.
    void dropDown();
    void closeUp();
};
