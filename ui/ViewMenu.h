#pragma once
// The View menu: the hex pane, the quick-command row and timestamps as check
// items, so they are found without knowing the picture clicks or the splitter
// spot. The items follow the panes whichever way they were changed.
#include <QObject>

class ConsolePanel;
class QAction;
class QMenu;
class QMenuBar;

class ViewMenu : public QObject {
public:
    // The menu goes before `before` (a menu of the bar); timestamps is the console's own item.
    ViewMenu(QMenuBar &bar, QMenu *before, ConsolePanel &panel, QAction *timestamps);
    void applyTexts();
    QMenu *menu() const { return menu_; }

private:
    QMenu *menu_;
    QAction *hex_, *quick_, *timestamps_;
};
