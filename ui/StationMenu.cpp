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
    w.mni_File->insertAction(w.mni_Exit, item_);
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
