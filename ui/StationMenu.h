#pragma once
// "Provisioning station..." in the main window's File menu: opens a station
// window (one at a time) that starts on this configuration's directory.
#include <QObject>
#include <QPointer>

class QAction;
class StationWindow;
class QMenu;

class StationMenu : public QObject {
public:
    // The item goes above the first separator of fileMenu, beside the other tools.
    explicit StationMenu(QMenu &fileMenu);
    void applyTexts();

private:
    QAction *item_;
    QPointer<StationWindow> station_;
};
