#include "ui/StationMenu.h"

#include "lang/AppLang.h"
#include "ui/MainWindow.h"
#include "ui/StationWindow.h"

#include <QAction>
#include <QMenu>

StationMenu::StationMenu(TFrm_Main &w) : QObject(&w), w_(w)
{
    item_ = new QAction(&w);
    item_->setObjectName(QStringLiteral("mniStation"));
    // Beside the other tool that opens a window of its own: above the first separator.
    QAction *before = w.mni_Exit;
    for (QAction *a : w.mni_File->actions())
        if (a->isSeparator()) {
            before = a;
            break;
        }
    w.mni_File->insertAction(before, item_);
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
