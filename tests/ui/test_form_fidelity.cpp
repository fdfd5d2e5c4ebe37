// The form never changes what the user did not change: bytes that are no valid
// GBK, the Hex boxes, the registration slots, the configuration file, the wheel.
#include "UiTestUtil.h"
#include "ui/ParamForm.h"
#include "tests/common/TestFiles.h"

#include "ui/ConfigIo.h"
#include "ui/FieldRanges.h"
#include "protocol/FormControls.h"
#include "protocol/Protocol.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QTest>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <random>

namespace {

QByteArray randomBytes(std::mt19937 &rng, int maxLen)
{
    QByteArray b;
    const int n = std::uniform_int_distribution<int>(0, maxLen)(rng);
    for (int i = 0; i < n; ++i)
        b.append(char(std::uniform_int_distribution<int>(0, 255)(rng)));
    return b;
}

QLineEdit *edit(TFrm_Main &w, const char *name) { return w.findChild<QLineEdit *>(QLatin1String(name)); }

} // namespace

TEST(FormFidelity, BrokenGbkInTextFieldsGoesOutAndIntoTheFileUnchanged)
{
    WindowFixture f(false);
    const QByteArray pw("PW\xA1", 3), msg("\xD6\xD0\xCE\xC4\xD6", 5), apn("a\x80\xFF,b", 6);
    f.w->protocol()->ApplyParam("CMDPW", pw);
    f.w->protocol()->ApplyParam("STMSG", msg);
    f.w->protocol()->ApplyParam("APN", apn);
    EXPECT_EQ(TextOf(edit(*f.w, "lbledtCmdPw")), pw);
    EXPECT_EQ(TextOf(edit(*f.w, "lbledtStMsg")), msg);
    f.reopen(false); // saved at close, loaded at start
    EXPECT_EQ(TextOf(edit(*f.w, "lbledtCmdPw")), pw);
    EXPECT_EQ(TextOf(edit(*f.w, "lbledtStMsg")), msg);
    EXPECT_EQ(TextOf(edit(*f.w, "lbledtApn")), apn);
}

TEST(FormFidelity, HexBoxesOffThenOnGiveBackTheSameHexForAnyData)
{
    WindowFixture f(false);
    TFrm_Main &w = *f.w;
    auto *heartHex = w.findChild<QCheckBox *>("rzchckbxHeartDtHex");
    auto *regHex = w.findChild<QCheckBox *>("rzchckbxRegDtHex");
    auto *regDt = w.findChild<QComboBox *>("cbbRegDt");
    w.form()->cbbRegTp->setCurrentIndex(4);
    w.form()->cbbRegTpChange();
    std::mt19937 rng(11);
    for (int i = 0; i < 300; ++i) {
        const QByteArray hex = randomBytes(rng, 24).toHex().toUpper();
        SCOPED_TRACE(hex.constData());
        heartHex->setChecked(true);
        SetText(edit(w, "edtHeartDt"), hex);
        heartHex->setChecked(false);
        heartHex->setChecked(true);
        ASSERT_EQ(TextOf(edit(w, "edtHeartDt")), hex);

        regHex->setChecked(true);
        w.protocol()->WriteRegDtSlot(4, hex);
        regHex->setChecked(false);
        regHex->setChecked(true);
        ASSERT_EQ(gbk::fromUnicode(regDt->currentText()), hex);
    }
}

TEST(FormFidelity, CustomDataAnswerKeepsTheSlotOfTheChosenTypeShown)
{
    // A registration id is shown; the custom data arrives with its Hex box cleared.
    WindowFixture f(false);
    TFrm_Main &w = *f.w;
    Protocol &p = *w.protocol();
    auto *regDt = w.findChild<QComboBox *>("cbbRegDt");
    w.findChild<QCheckBox *>("rzchckbxRegDtHex")->setChecked(false);
    p.ApplyParam("REGTP", "D2DID");
    p.ApplyParam("REGID", "DEV-0042");
    p.ApplyParam("REGDT", "7777772E6578616D706C652E636F6D");
    EXPECT_EQ(regDt->currentText(), QStringLiteral("DEV-0042"));
    EXPECT_EQ(regDt->itemText(4), QStringLiteral("7777772E6578616D706C652E636F6D"));
    EXPECT_TRUE(w.findChild<QCheckBox *>("rzchckbxRegDtHex")->isChecked());
    // The same with the cloud type.
    p.ApplyParam("REGTP", "CLOUD");
    p.ApplyParam("CLOUD", "00001234567890000001,12345678");
    w.findChild<QCheckBox *>("rzchckbxRegDtHex")->setChecked(false);
    EXPECT_EQ(regDt->currentText(), QStringLiteral("00001234567890000001"));
}

TEST(FormFidelity, TheWheelOverAFormListScrollsTheFormAndChangesNoSelection)
{
    WindowFixture f(false);
    TFrm_Main &w = *f.w;
    w.resize(1160, 420);
    w.show();
    QApplication::setActiveWindow(&w);
    Pump(50);
    auto *para = w.findChild<QScrollArea *>("advscrlbxPara");
    para->widget()->setMinimumHeight(2000);
    Pump(50);
    QScrollBar *sb = para->verticalScrollBar();
    sb->setValue(sb->maximum() / 2);
    int scrolled = 0;
    for (const char *areaName : {"advscrlbxPara", "advscrlbxBase"}) {
        auto *area = w.findChild<QScrollArea *>(QLatin1String(areaName));
        ASSERT_TRUE(area);
        const auto combos = area->findChildren<QComboBox *>();
        ASSERT_FALSE(combos.isEmpty());
        for (QComboBox *c : combos) {
            if (c->count() < 2)
                continue;
            c->setCurrentIndex(1);
            const QString shown = c->currentText();
            for (int dy : {120, -120, 240, -480}) {
                const int before = area->verticalScrollBar()->value();
                QWheelEvent ev(QPointF(3, 3), c->mapToGlobal(QPoint(3, 3)), QPoint(), QPoint(0, dy), Qt::NoButton,
                               Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(c->isEditable() ? static_cast<QWidget *>(c->lineEdit()) : c, &ev);
                EXPECT_EQ(c->currentIndex(), 1) << c->objectName().toStdString();
                EXPECT_EQ(c->currentText(), shown) << c->objectName().toStdString();
                EXPECT_FALSE(c->hasFocus()) << "the wheel must not give " << c->objectName().toStdString() << " the focus";
                scrolled += area->verticalScrollBar()->value() != before;
            }
        }
    }
    EXPECT_GT(scrolled, 0) << "the wheel over a list scrolls the form";
    // A list the user clicked into keeps its wheel.
    QComboBox *tp = w.form()->cbbRegTp;
    tp->setFocus(Qt::MouseFocusReason);
    Pump(10);
    ASSERT_EQ(QApplication::focusWidget(), tp);
    tp->setCurrentIndex(1);
    QWheelEvent ev(QPointF(3, 3), tp->mapToGlobal(QPoint(3, 3)), QPoint(), QPoint(0, -120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(tp, &ev);
    EXPECT_NE(tp->currentIndex(), 1);
}

TEST(FormFidelity, TheConsoleSpellsBytesThatAreNoText)
{
    WindowFixture f(false);
    f.w->console()->ShowRcv(QByteArray("+CMDPW:PW\xA1\r\n", 12));
    f.w->console()->ShowRcv(gbk::fromUtf8("中文") + QByteArray("\xFF\x80", 2));
    const QStringList lines = PaneLines(f.console());
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines.at(lines.size() - 2), QStringLiteral("+CMDPW:PW\\xA1"));
    EXPECT_EQ(lines.last(), U("中文\\xFF€")); // 0x80 is the euro sign of the code page
}

TEST(FormFidelity, AnEmptyFirstLineInAnEmptyPaneIsShown)
{
    WindowFixture f(false);
    f.console()->clear();
    f.w->console()->ShowInfo("");
    EXPECT_EQ(ConsoleView::lineCount(f.console()), 1) << "the empty line counts";
    f.w->console()->ShowInfo("next");
    EXPECT_EQ(PaneLines(f.console()), (QStringList{"", "next"}));
    f.console()->clear(); // cleared by the user: the next line is the first again
    f.w->console()->ShowInfo("first");
    EXPECT_EQ(PaneLines(f.console()), (QStringList{"first"}));
}

namespace {

void Wheel(QWidget *target, int dy)
{
    QWheelEvent ev(QPointF(3, 3), target->mapToGlobal(QPoint(3, 3)), QPoint(), QPoint(0, dy), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &ev);
}

} // namespace

TEST(FormFidelity, KeysAndTheWheelOverEveryListOfTheWindowChangeNoValue)
{
    ShownWindow f(false);
    for (auto [word, value] : {std::pair{"ICCID", "89860012"}, {"REGID", "DEV-42"}, {"REGTP", "D2DID"}})
        f.w->protocol()->ApplyParam(word, value);
    auto *regDt = f.find<QComboBox>("cbbRegDt");
    auto values = [&f] { // every list's choice and shown text, every spin field, the saved file
        QStringList v;
        for (const QComboBox *c : f.w->findChildren<QComboBox *>())
            v << c->objectName() + QString::number(c->currentIndex()) + c->currentText();
        for (const QAbstractSpinBox *s : f.w->findChildren<QAbstractSpinBox *>())
            v << s->text();
        QString err;
        return v << (SaveIni(*f.w, &err) ? QString::fromLatin1(ReadFileBytes(f.iniPath()).toHex()) : err);
    };
    const QStringList before = values();
    // The wheel over every list and spin field not clicked into, the port row's too.
    for (QComboBox *c : f.w->findChildren<QComboBox *>())
        Wheel(c->isEditable() ? static_cast<QWidget *>(c->lineEdit()) : c, -120);
    for (QAbstractSpinBox *s : f.w->findChildren<QAbstractSpinBox *>())
        Wheel(s, 120);
    // Keys and the wheel in the registration-data field, clicked into.
    f.focus(regDt);
    for (int key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_End, Qt::Key_Home, Qt::Key_F4})
        SendKey(regDt, key);
    SendKey(regDt, Qt::Key_Down, Qt::AltModifier);
    Wheel(regDt->lineEdit(), -120);
    EXPECT_EQ(values(), before);
    // Typed text that equals another type's value stays typed text after Enter and leaving.
    regDt->lineEdit()->selectAll();
    QTest::keyClicks(regDt, "89860012");
    SendKey(regDt, Qt::Key_Return);
    f.focus(f.w->form()->cbbRegTp);
    EXPECT_EQ(regDt->currentIndex(), 2);
    EXPECT_EQ(regDt->currentText(), QStringLiteral("89860012"));
}

TEST(FormFidelity, TypingLimitsStopTypingOnlyAndLetTheUserShortenALongerValue)
{
    ShownWindow f(false);
    f.w->protocol()->ApplyParam("REGTP", "CLOUD");
    f.w->protocol()->ApplyParam("CLOUD", "00001234567890000001,0000123456789ABCDEFG"); // module: up to 32
    f.w->protocol()->ApplyParam("SOCKA", "TCP,host.example.net,80a");
    auto *code = f.find<QLineEdit>("edtCloudPa");
    auto *port = f.find<QLineEdit>("edtPortA");
    for (auto [edit, typed, shown] : {std::tuple{code, "\bXY", "0000123456789ABCDEFX"}, {port, "b9\b\b7", "807"}}) {
        f.focus(edit);
        edit->end(false);
        QTest::keyClicks(edit, QLatin1String(typed)); // \b: Backspace
        EXPECT_EQ(edit->text(), QLatin1String(shown));
    }
    code->setText(QString());
    QTest::keyClicks(code, "123456789");
    EXPECT_EQ(code->text(), QStringLiteral("12345678"));

    // A number beyond its field's range stays as the module gave it, framed; typing cannot
    // make it larger, and shortening it into the range takes the frame away.
    f.w->protocol()->ApplyParam("SOCKA", "TCP,host.example.net,70009");
    EXPECT_EQ(port->text(), "70009");
    EXPECT_TRUE(port->property("outOfRange").toBool());
    port->end(false);
    QTest::keyClicks(port, "1\b"); // 700091 is refused
    EXPECT_EQ(port->text(), "7000");
    EXPECT_FALSE(port->property("outOfRange").toBool());
    port->setText(QString());
    QTest::keyClicks(port, "6553690");
    EXPECT_EQ(port->text(), "65530");
    // Every field of the table is on the form, with its range in its hint.
    for (const FieldRange &r : FieldRanges()) {
        auto *edit = f.find<QLineEdit>(r.field);
        ASSERT_NE(edit, nullptr) << r.field;
        EXPECT_EQ(edit->toolTip(), QStringLiteral("Range %1 to %2").arg(r.min).arg(r.max)) << r.field;
        for (const auto &[value, out] : {std::pair{r.min - 1, true}, {r.min, false}, {r.max, false}, {r.max + 1, true}}) {
            edit->setText(QString::number(value));
            EXPECT_EQ(edit->property("outOfRange").toBool(), out) << r.field << " " << value;
        }
    }
}
