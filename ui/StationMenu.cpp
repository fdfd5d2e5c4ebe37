#include "ui/StationMenu.h"

#include "lang/AppLang.h"
#include "ui/StationWindow.h"

#include <QAction>
#include <QMenu>

StationMenu::StationMenu(QMenu &fileMenu) : QObject(&fileMenu)
{
    item_ = new QAction(&fileMenu);
    item_->setObjectName(QStringLiteral("mniStation"));
    // Beside the other tool that opens a window of its own: above the first separator.
    QAction *before = nullptr;
    for (QAction *a : fileMenu.actions())
        if (a->isSeparator()) {
            before = a;
            break;
        }
    fileMenu.insertAction(before, item_);
    connect(item_, &QAction::triggered, this, [this] {
        if (!station_) {
            station_ = new StationWindow(StationSetup{});
            station_->setAttribute(Qt::WA_DeleteOnClose);
        }
        station_->show();
        station_->raise();
        station_->activateWindow();
    });
}

void StationMenu::applyTexts()
{
    item_->setText(LangTextU("lang_mniStation"));
    if (station_)
        station_->applyTexts();
}
