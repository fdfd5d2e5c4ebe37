#include "ui/MenuItems.h"

#include <QAction>
#include <QFileDialog>
#include <QMenu>

namespace {

QAction *itemFor(QMenu *menu, QAction *action, const char *name)
{
    auto *item = menu->addAction(action->text());
    item->setObjectName(QLatin1String(name));
    item->setShortcut(action->shortcut());
    QObject::connect(item, &QAction::triggered, action, &QAction::trigger);
    return item;
}

void showDialog(QWidget *owner, const char *name, QFileDialog::AcceptMode mode)
{
    QFileDialog dlg(owner);
    dlg.setObjectName(QLatin1String(name));
    dlg.setAcceptMode(mode);
    dlg.setNameFilter(QStringLiteral("*.ini"));
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.exec();
}

} // namespace

void FillPaneMenu(QMenu *pmCls, QAction *copy, QAction *paste, QAction *selectAll, QAction *clear)
{
    itemFor(pmCls, copy, "mniCopy");
    itemFor(pmCls, paste, "mniPst");
    itemFor(pmCls, selectAll, "mniAll");
    pmCls->addSeparator()->setObjectName(QStringLiteral("mniN2"));
    itemFor(pmCls, clear, "mniCls");
}

void ConnectIniDialogs(QMenu *pmIni, QWidget *owner)
{
    if (auto *load = pmIni->findChild<QAction *>(QStringLiteral("mniLoadIni")))
        QObject::connect(load, &QAction::triggered, owner,
                         [owner] { showDialog(owner, "rzpndlgOpenIni", QFileDialog::AcceptOpen); });
    if (auto *save = pmIni->findChild<QAction *>(QStringLiteral("mniSaveIni")))
        QObject::connect(save, &QAction::triggered, owner,
                         [owner] { showDialog(owner, "rzsvdlgSaveIni", QFileDialog::AcceptSave); });
}
