#pragma once
// "Provisioning station..." in the main window's File menu: opens a station
// window (one at a time) that starts on this configuration's directory.
#include <QObject>
#include <QPointer>

class QAction;
class StationWindow;
class TFrm_Main;

class StationMenu : public QObject {
public:
    explicit StationMenu(TFrm_Main &w);
    void applyTexts();

private:
    TFrm_Main &w_;
    QAction *item_;
    QPointer<StationWindow> station_;
};
