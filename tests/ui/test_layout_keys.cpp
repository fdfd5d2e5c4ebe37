// The form fits its panel in both languages, and the window is usable from the keyboard.
#include "UiTestUtil.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

struct Shown : WindowFixture {
    explicit Shown(bool zh) : WindowFixture(zh)
    {
        w->show();
        QApplication::setActiveWindow(w.get());
        Pump();
    }
};

// Every group of the network page shown, with the widest registration row (cloud id and code).
void ShowEverything(TFrm_Main &w)
{
    for (QCheckBox *c : w.rzchckbxSkt)
        c->setChecked(true);
    w.rzchckbxHeartEn->setChecked(true);
    w.rzchckbxRegEn->setChecked(true);
    w.rzchckbxMore->setChecked(true);
    w.cbbRegTp->setCurrentIndex(3);
    w.cbbRegTpChange();
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
    Shown f(GetParam());
    TFrm_Main &w = *f.w;
    ASSERT_EQ(w.size(), QSize(1160, 783));
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
    // A narrowed list still drops down wide enough for its longest item.
    w.cbbRegSnd->showPopup();
    Pump(30);
    QAbstractItemView *view = w.cbbRegSnd->view();
    EXPECT_GE(view->width(), view->sizeHintForColumn(0));
    w.cbbRegSnd->hidePopup();

    for (QRadioButton *rb : {w.rbHttpd, w.rbSmsTran}) {
        rb->setChecked(true);
        Pump(30);
        QWidget *page = w.rzpgcntrlPara->currentWidget();
        EXPECT_LE(page->minimumSizeHint().width(), w.rzpgcntrlPara->width()) << page->objectName().toStdString();
    }

    // The send-type button leaves room for its arrow beside the caption, in both send types.
    for (QAction *type : {w.mniSms, w.mniAtCmd}) {
        type->trigger();
        const int text = w.btnSendTpye->fontMetrics().horizontalAdvance(w.btnSendTpye->text());
        EXPECT_GE(w.btnSendTpye->sizeHint().width(), text + 18) << w.btnSendTpye->text().toStdString();
        EXPECT_GE(w.btnSendTpye->width(), w.btnSendTpye->sizeHint().width());
    }
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, PageWidth, ::testing::Values(true, false),
                         [](const auto &info) { return info.param ? "Chinese" : "English"; });

TEST(PageWidth, LargeFontsScrollInsteadOfCuttingCaptions)
{
    Shown f(false);
    TFrm_Main &w = *f.w;
    ShowEverything(w);
    // 150 % of every control's font, as a desktop with large fonts gives it.
    QList<QWidget *> all = w.findChildren<QWidget *>();
    all << &w;
    for (QWidget *c : all) {
        QFont font = c->font();
        font.setPointSizeF(font.pointSizeF() * 1.5);
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
    EXPECT_GE(w.btnOpenClose->width(), w.btnOpenClose->sizeHint().width());
}

} // namespace
