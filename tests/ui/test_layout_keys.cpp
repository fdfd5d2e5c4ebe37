// The form fits its panel in both languages, and the window is usable from the keyboard.
#include "UiTestUtil.h"
#include "ui/ParamForm.h"
#include "ui/PortBar.h"
#include "ui/ConsolePanel.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QKeySequence>
#include <QLineEdit>
#include <QSet>
#include <QComboBox>
#include <QFontMetrics>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolButton>

#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "ui/MenuKeys.h"

namespace {


// Every group of the network page shown, with the widest registration row (cloud id and code).
void ShowEverything(TFrm_Main &w)
{
    for (QCheckBox *c : w.form()->rzchckbxSkt)
        c->setChecked(true);
    w.form()->rzchckbxHeartEn->setChecked(true);
    w.form()->rzchckbxRegEn->setChecked(true);
    w.form()->rzchckbxMore->setChecked(true);
    w.form()->cbbRegTp->setCurrentIndex(3);
    w.form()->cbbRegTpChange();
}

void ExpectFits(QScrollArea *area, const char *what)
{
    ASSERT_TRUE(area);
    EXPECT_LE(area->widget()->minimumSizeHint().width(), area->viewport()->width()) << what;
    EXPECT_FALSE(area->horizontalScrollBar()->isVisible()) << what;
}

class PageWidth : public ::testing::TestWithParam<bool> {};

TEST_P(PageWidth, EveryPageFitsItsPanelAtTheDefaultSize)
{
    ShownWindow f(GetParam());
    TFrm_Main &w = *f.w;
    w.resize(1160, 783); // the default size; a smaller screen opens it smaller
    ShowEverything(w);
    Pump(50);
    auto *para = f.find<QScrollArea>("advscrlbxPara");
    auto *base = f.find<QScrollArea>("advscrlbxBase");
    ExpectFits(para, "network page");
    ExpectFits(base, "global parameters");
    for (const char *box : {"rzchckbxHeartDtHex", "rzchckbxRegDtHex"}) {
        auto *hex = f.find<QCheckBox>(box);
        EXPECT_GE(hex->width(), hex->sizeHint().width()) << box << " shows its whole caption";
    }
    // The long lists show every item whole, and the registration data a whole cloud id.
    for (QComboBox *c : {w.form()->cbbRegSnd, w.form()->cbbRegTp, w.form()->cbbHeartSnd}) {
        QComboBox whole;
        for (int i = 0; i < c->count(); ++i)
            whole.addItem(c->itemText(i));
        EXPECT_GE(c->width(), whole.sizeHint().width()) << c->objectName().toStdString();
    }
    EXPECT_GE(w.form()->cbbRegDt->lineEdit()->width(), w.form()->cbbRegDt->fontMetrics().horizontalAdvance(QString(21, QLatin1Char('0'))));
    // A narrowed list still drops down wide enough for its longest item.
    w.form()->cbbRegSnd->showPopup();
    Pump(30);
    QAbstractItemView *view = w.form()->cbbRegSnd->view();
    EXPECT_GE(view->width(), view->sizeHintForColumn(0));
    w.form()->cbbRegSnd->hidePopup();

    for (QRadioButton *rb : {w.form()->rbHttpd, w.form()->rbSmsTran}) {
        rb->setChecked(true);
        Pump(30);
        QWidget *page = w.form()->rzpgcntrlPara->currentWidget();
        EXPECT_LE(page->minimumSizeHint().width(), w.form()->rzpgcntrlPara->width()) << page->objectName().toStdString();
    }

    // The send-type button leaves room for its arrow beside the caption, in both send types.
    for (QAction *type : {w.mniSms, w.mniAtCmd}) {
        type->trigger();
        const int text = w.consolePanel()->btnSendTpye->fontMetrics().horizontalAdvance(w.consolePanel()->btnSendTpye->text());
        EXPECT_GE(w.consolePanel()->btnSendTpye->sizeHint().width(), text + 18) << w.consolePanel()->btnSendTpye->text().toStdString();
        EXPECT_GE(w.consolePanel()->btnSendTpye->width(), w.consolePanel()->btnSendTpye->sizeHint().width());
    }
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, PageWidth, ::testing::Values(true, false),
                         [](const auto &info) { return info.param ? "Chinese" : "English"; });

TEST(PageWidth, LargeFontsScrollInsteadOfCuttingCaptions)
{
    ShownWindow f(false);
    TFrm_Main &w = *f.w;
    ShowEverything(w);
    // Twice every control's font, as a desktop with large fonts gives it (at 150 % the
    // network page still fits its panel).
    QList<QWidget *> all = w.findChildren<QWidget *>();
    all << &w;
    for (QWidget *c : all) {
        QFont font = c->font();
        font.setPointSizeF(font.pointSizeF() * 2);
        c->setFont(font);
    }
    w.mni_En->trigger();
    Pump(80);
    auto *para = f.find<QScrollArea>("advscrlbxPara");
    ASSERT_TRUE(para);
    // Too wide now: the page scrolls rather than squeezing its rows.
    ASSERT_GT(para->widget()->minimumSizeHint().width(), para->viewport()->width());
    EXPECT_TRUE(para->horizontalScrollBar()->isVisible());
    EXPECT_GE(para->widget()->width(), para->widget()->minimumSizeHint().width());
    for (const char *name : {"btnAskAll", "btnSetAll", "btnPPPA", "btnENTM", "btnH", "btnCFGTF", "btnRELD", "btnCLEAR"}) {
        auto *b = f.find<QPushButton>(name);
        ASSERT_TRUE(b);
        EXPECT_GE(b->width(), b->sizeHint().width()) << name;
    }
    EXPECT_GE(w.portBar()->btnOpenClose->width(), w.portBar()->btnOpenClose->sizeHint().width());
    // The highest rate that can be typed shows whole in the baud rate's field.
    QLineEdit *baud = w.portBar()->cbbOpenBaud->lineEdit();
    EXPECT_GE(baud->width(), baud->fontMetrics().horizontalAdvance(QStringLiteral("4000000")) + 4);
    // The send bar keeps every caption whole beside the repeat controls.
    for (const char *name : {"btnSendTpye", "chkRepeatSend", "spnRepeatMs", "btnSend"}) {
        auto *c = f.find<QWidget>(name);
        ASSERT_TRUE(c) << name;
        EXPECT_GE(c->width(), c->sizeHint().width()) << name;
    }
}

TEST(Mnemonics, CaptionsGainALetterUnlessTheyHaveOne)
{
    EXPECT_EQ(WithMnemonic("File", "F"), "&File");
    EXPECT_EQ(WithMnemonic(U("文件"), "F"), U("文件(&F)"));
    EXPECT_EQ(WithMnemonic("Quit", "XQ"), "&Quit");
    EXPECT_EQ(WithMnemonic("Latest version", "UV"), "Latest &version");
    EXPECT_EQ(WithMnemonic("E&xit", "Q"), "E&xit");
    EXPECT_EQ(WithMnemonic("Save && quit", "Q"), "Save && &quit");
    EXPECT_EQ(WithMnemonic("R&D", "X"), "R&D");
    EXPECT_EQ(WithMnemonic("A&&B", "X"), "A&&B(&X)");
}

class MenuKeys : public ::testing::TestWithParam<bool> {};

TEST_P(MenuKeys, AltAndTheLetterOpenEachMenuAfterALanguageSwitch)
{
    const std::pair<const char *, Qt::Key> menus[] = {{"mni_File", Qt::Key_F}, {"mni_Lang", Qt::Key_L}, {"mni_Help", Qt::Key_H}};
    for (auto [name, key] : menus) {
        // A window of its own per menu: the offscreen platform does not hand the focus back after a popup.
        ShownWindow f(!GetParam());
        TFrm_Main &w = *f.w;
        (GetParam() ? w.mni_Cn : w.mni_En)->trigger();
        Pump(20);
        auto *menu = f.find<QMenu>(name);
        ASSERT_TRUE(menu);
        EXPECT_EQ(QKeySequence::mnemonic(menu->title()), QKeySequence(Qt::ALT | key)) << menu->title().toStdString();
        QTest::keyClick(&w, key, Qt::AltModifier);
        EXPECT_TRUE(WaitFor([&] { return menu->isVisible(); }, 2000)) << menu->title().toStdString();
        menu->hide();
        for (QAction *a : menu->actions()) {
            if (!a->isSeparator()) {
                EXPECT_FALSE(QKeySequence::mnemonic(a->text()).isEmpty()) << a->text().toStdString();
            }
        }
        QStringList letters;
        for (QAction *a : menu->actions())
            if (!a->isSeparator())
                letters << QKeySequence::mnemonic(a->text()).toString();
        EXPECT_EQ(letters.size(), QSet<QString>(letters.begin(), letters.end()).size()) << letters.join(' ').toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, MenuKeys, ::testing::Values(true, false),
                         [](const auto &info) { return info.param ? "Chinese" : "English"; });

// The widgets Tab visits from the port field until it comes back to it (or stays in the send box).
QList<QWidget *> TabWalk(TFrm_Main &w)
{
    w.portBar()->cbbOpenCom->setFocus();
    Pump(10);
    EXPECT_EQ(QApplication::focusWidget(), w.portBar()->cbbOpenCom);
    QList<QWidget *> seen;
    for (int i = 0; i < 300; ++i) {
        QWidget *now = QApplication::focusWidget();
        if (!now || (i > 0 && now == w.portBar()->cbbOpenCom))
            break;
        if (!seen.contains(now))
            seen << now;
        if (now == w.consolePanel()->edtSend)
            break;
        QTest::keyClick(now, Qt::Key_Tab);
    }
    return seen;
}

TEST(TabOrder, EveryButtonIsReachedInReadingOrder)
{
    ShownWindow f(false);
    TFrm_Main &w = *f.w;
    auto *grid = f.find<QWidget>("advscrlbxBtn");
    ASSERT_EQ(grid->height(), 0) << "the button grid starts collapsed";
    QList<QWidget *> seen = TabWalk(w);
    auto at = [&](const char *name) {
        for (qsizetype i = 0; i < seen.size(); ++i)
            if (seen[i]->objectName() == QLatin1String(name) ||
                (seen[i]->parentWidget() && seen[i]->parentWidget()->objectName() == QLatin1String(name)))
                return int(i);
        return -1;
    };
    // Every button the user sees is reached (a radio group through its checked button).
    const auto buttons = w.findChildren<QAbstractButton *>();
    for (QAbstractButton *b : buttons) {
        if (!b->isVisibleTo(&w) || !b->isEnabled() || qobject_cast<QRadioButton *>(b) || b->objectName().isEmpty())
            continue;
        if (b->parentWidget() && !b->parentWidget()->isVisibleTo(&w))
            continue;
        EXPECT_EQ(seen.contains(b), !grid->isAncestorOf(b)) << b->objectName().toStdString();
    }
    EXPECT_GE(at("rbNetTran"), 0);
    // Reading order: the port row, the form on the left, the commands, the send bar, the send box.
    const char *order[] = {"cbbOpenCom", "cbbOpenBaud", "cbbOpenFlow", "btnOpenClose", "rzchckbxReopen",
                           "rbNetTran", "rzchckbxSktA", "edtAddrA", "edtSockATo", "rzchckbxHeartEn",
                           "cbbBaud", "edtUARTFL", "rzchckbxMore", "btnAskAll", "btnSetAll", "btnPPPA", "btnENTM",
                           "btnSendTpye", "chkRepeatSend", "spnRepeatMs", "btnSend", "btnSetSendKey", "edtSend"};
    for (std::size_t k = 1; k < std::size(order); ++k)
        EXPECT_LT(at(order[k - 1]), at(order[k])) << order[k - 1] << " before " << order[k];

    // Opened, the grid's buttons come between the command row and the console.
    f.find<QToolButton>("rzspltrBtnAndDialogHotSpot")->click();
    Pump(30);
    ASSERT_GT(grid->height(), 0);
    seen = TabWalk(w);
    for (const char *name : {"btnH", "btnZ", "btnVER", "btnCSQ", "btnCFGTF", "btnRELD", "btnCLEAR"}) {
        EXPECT_LT(at("btnENTM"), at(name)) << name;
        EXPECT_LT(at(name), at("edtDialog")) << name;
    }
}

} // namespace
