#pragma once
// Menu items that carry names of their own beside the actions they run.
class QAction;
class QMenu;
class QWidget;

// The panes' menu: mniCopy, mniPst, mniAll, the separator mniN2 and mniCls, each
// running its action (copy, paste, select all, clear).
void FillPaneMenu(QMenu *pmCls, QAction *copy, QAction *paste, QAction *selectAll, QAction *clear);

// mniLoadIni and mniSaveIni of the configuration menu show their open and save
// dialogs (rzpndlgOpenIni, rzsvdlgSaveIni); the answer is not used.
void ConnectIniDialogs(QMenu *pmIni, QWidget *owner);
