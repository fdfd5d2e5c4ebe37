#include "ui/ViewMenu.h"

#include "lang/AppLang.h"
#include "ui/ConsolePanel.h"
#include "ui/MenuKeys.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>

ViewMenu::ViewMenu(QMenuBar &bar, QMenu *before, ConsolePanel &panel, QAction *timestamps)
    : QObject(&bar), menu_(new QMenu(&bar)), timestamps_(timestamps)
{
    menu_->setObjectName(QStringLiteral("mni_View"));
    bar.insertMenu(before ? before->menuAction() : nullptr, menu_);
    hex_ = menu_->addAction(QString());
    hex_->setObjectName(QStringLiteral("mniHexPane"));
    quick_ = menu_->addAction(QString());
    quick_->setObjectName(QStringLiteral("mniQuickCmds"));
    for (QAction *a : {hex_, quick_})
        a->setCheckable(true);
    hex_->setChecked(panel.hexPaneOn());
    quick_->setChecked(panel.quickCommandsShown());
    if (timestamps_)
        menu_->addAction(timestamps_);

    connect(hex_, &QAction::toggled, &panel, &ConsolePanel::setHexPane);
    connect(quick_, &QAction::toggled, &panel, &ConsolePanel::setQuickCommandsShown);
    connect(&panel, &ConsolePanel::hexPaneChanged, this, [this](bool on) {
        const QSignalBlocker b(hex_);
        hex_->setChecked(on);
    });
    connect(&panel, &ConsolePanel::quickCommandsChanged, this, [this](bool on) {
        const QSignalBlocker b(quick_);
        quick_->setChecked(on);
    });
}

void ViewMenu::applyTexts()
{
    menu_->setTitle(LangTextU("lang_Menu_View"));
    hex_->setText(WithMnemonic(LangTextU("lang_mniHexPane"), "H"));
    quick_->setText(WithMnemonic(LangTextU("lang_mniQuickCmds"), "Q"));
    if (timestamps_)
        timestamps_->setText(WithMnemonic(timestamps_->text(), "T"));
}
