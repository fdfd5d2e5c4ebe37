// Where the windows stand and how their panes and pictures behave.
#include "UiTestUtil.h"
#include "ui/ConsolePanel.h"
#include "ui/WindowPlace.h"

#include "ui/AboutBox.h"
#include "ui/Widgets.h"

#include <QDesktopServices>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QAction>
#include <QMenu>
#include <QUrl>

#include <QGuiApplication>
#include <gtest/gtest.h>

namespace {

void click(QWidget *w, Qt::MouseButton button)
{
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), button, button, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}

QPoint screenCentre(const QWidget *w) { return w->screen()->availableGeometry().center(); }

// Catches the addresses the program asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
    int opened = 0;
public slots:
    void open(const QUrl &) { ++opened; }
};

} // namespace

TEST(WindowFrame, TheLowerConsolePaneKeepsItsSizeWhenTheWindowGrows)
{
    WindowFixture f(false);
    TFrm_Main &w = *f.w;
    w.show();
    Pump(50);
    w.consolePanel()->rzspltrBtnAndDialog->setSizes({81, w.consolePanel()->rzspltrBtnAndDialog->height() - 81});
    Pump(20);
    const QList<int> before = w.consolePanel()->rzspltrBtnAndDialog->sizes();
    w.resize(w.width(), w.height() + 100);
    Pump(50);
    const QList<int> after = w.consolePanel()->rzspltrBtnAndDialog->sizes();
    ASSERT_EQ(after.size(), 2);
    EXPECT_EQ(after[1], before[1]) << "the console pane keeps its size";
    EXPECT_GT(after[0], before[0]) << "the button grid takes the new room";
    // Collapsed, the button grid stays collapsed.
    w.consolePanel()->rzspltrBtnAndDialog->setSizes({0, w.consolePanel()->rzspltrBtnAndDialog->height()});
    Pump(20);
    w.resize(w.width(), w.height() + 50);
    Pump(50);
    EXPECT_EQ(w.consolePanel()->rzspltrBtnAndDialog->sizes().at(0), 0);
}

TEST(WindowFrame, TheMainWindowAndTheAboutBoxOpenCentredOnTheScreen)
{
    WindowFixture f(false);
    EXPECT_LE((f.w->frameGeometry().center() - screenCentre(f.w.get())).manhattanLength(), 2);
    Tfrm_About *a = f.w->about();
    f.w->move(0, 0); // the box follows the screen, not its owner
    a->show();
    Pump(20);
    EXPECT_LE((a->frameGeometry().center() - screenCentre(a)).manhattanLength(), 2);
    a->close();
}

TEST(WindowFrame, AboutPictureAndWebSiteReactToTheLeftButtonOnly)
{
    WindowFixture f(false);
    Tfrm_About *a = f.w->about();
    a->show();
    Pump(20);
    for (Qt::MouseButton b : {Qt::RightButton, Qt::MiddleButton})
        click(a->findChild<QLabel *>("img_About"), b);
    EXPECT_EQ(a->AboutClickCount(), 0);
    for (int i = 0; i < 4; ++i)
        click(a->findChild<QLabel *>("img_About"), Qt::LeftButton);
    click(a->findChild<QLabel *>("img_About"), Qt::RightButton);
    EXPECT_FALSE(f.w->consolePanel()->hexPaneOn()) << "four left clicks and a right one are no five clicks";
    click(a->findChild<QLabel *>("img_About"), Qt::LeftButton);
    EXPECT_TRUE(f.w->consolePanel()->hexPaneOn());

    UrlCatcher urls;
    click(a->findChild<QLabel *>("lbl_About_Website"), Qt::RightButton);
    EXPECT_EQ(urls.opened, 0);
    click(a->findChild<QLabel *>("lbl_About_Website"), Qt::LeftButton);
    EXPECT_EQ(urls.opened, 1);
    a->close();
}

TEST(WindowFrame, ACustomAboutPictureFitsItsPlaceAndADamagedOneIsIgnored)
{
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/About.jpg");
    {
        WindowFixture f(false);
        Tfrm_About *a = f.w->about();
        // A small picture at its own size; a large one scaled into the place, clear of the texts.
        for (auto [size, shown] : {std::pair{QSize(80, 60), QSize(80, 60)}, {QSize(160, 60), QSize(100, 37)},
                                   {QSize(900, 1200), QSize(75, 100)}}) {
            QImage custom(size, QImage::Format_RGB888);
            custom.fill(Qt::darkCyan);
            ASSERT_TRUE(custom.save(path, "JPEG"));
            a->show();
            Pump(20);
            auto *img = a->findChild<QLabel *>("img_About");
            EXPECT_EQ(img->pixmap().size(), shown);
            for (const char *text : {"lbl_SoftName", "lbl_Aboutl_Description", "lbl_About_Contact"})
                EXPECT_FALSE(img->geometry().intersects(a->findChild<QLabel *>(text)->geometry())) << text;
            a->close();
        }
        QFile damaged(path);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
        damaged.write("\xFF\xD8\xFF\xE0 not a picture");
        damaged.close();
        a->show();
        EXPECT_EQ(a->findChild<QLabel *>("img_About")->pixmap().size(), QSize(100, 100)) << "the built-in picture";
        a->close();
    }
    QFile::remove(path);
}

TEST(WindowFrame, PaneMenuItemsCarryTheirNamesAndRunTheirActions)
{
    WindowFixture f(false);
    TFrm_Main &w = *f.w;
    QStringList names;
    for (QAction *a : w.pmCls->actions())
        names << a->objectName();
    EXPECT_EQ(names.mid(0, 5), (QStringList{"mniCopy", "mniPst", "mniAll", "mniN2", "mniCls"}));
    EXPECT_EQ(w.pmCls->actions().at(0)->text(), QStringLiteral("Copy"));
    EXPECT_EQ(w.pmCls->actions().at(4)->text(), QStringLiteral("Clear"));
    w.consolePanel()->edtSend->setPlainText("typed");
    w.show();
    QApplication::setActiveWindow(&w);
    Pump(20);
    w.consolePanel()->edtSend->setFocus();
    Pump(10);
    for (QAction *a : w.pmCls->actions())
        if (a->objectName() == "mniCls")
            a->trigger();
    EXPECT_TRUE(w.consolePanel()->edtSend->toPlainText().isEmpty()) << "mniCls clears the focused pane";
}

TEST(WindowFrame, IniMenuItemsShowTheirFileDialogs)
{
    WindowFixture f(false);
    for (const char *item : {"mniLoadIni", "mniSaveIni"}) {
        QString seen;
        QTimer::singleShot(50, [&seen] {
            if (QWidget *d = QApplication::activeModalWidget()) {
                seen = d->objectName();
                d->close();
            }
        });
        f.w->findChild<QAction *>(QLatin1String(item))->trigger();
        EXPECT_EQ(seen, QLatin1String(QByteArray(item) == "mniLoadIni" ? "rzpndlgOpenIni" : "rzsvdlgSaveIni"));
    }
}

#include "test_window_frame.moc"

// The window's place as the configuration keeps it: numbers only, and anything else is no place.
TEST(WindowPlace, TextRoundTripsAndNonsenseIsNoPlace)
{
    const WindowPlace p{QRect(-20, 35, 1160, 783), true, {{600, 147}, {0, 600}, {471, 96}}};
    const QByteArray text = EncodeWindowPlace(p);
    EXPECT_EQ(text, "-20,35,1160,783,1|600,147|0,600|471,96");
    const auto back = DecodeWindowPlace(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->rect, p.rect);
    EXPECT_EQ(back->maximized, p.maximized);
    EXPECT_EQ(back->splits, p.splits);
    for (const char *bad : {"", "1,2,3,4", "1,2,3,4,5,6", "0,0,50,600,0", "0,0,800,600,2", "0,0,800,600,0|1,-2",
                            "0,0,800,600,0|a,b", "x,0,800,600,0", "0,0,800,600,0|"})
        EXPECT_FALSE(DecodeWindowPlace(bad)) << bad;
}

// A place inside a screen is kept (shrunk to fit); one that no screen shows is centred.
TEST(WindowPlace, RestoredInsideTheScreenOrCentred)
{
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget w;
    auto *split = new QSplitter(&w);
    split->addWidget(new QWidget);
    split->addWidget(new QWidget);
    split->resize(400, 100);
    w.show();
    QCoreApplication::processEvents();
    const int total = split->sizes().value(0) + split->sizes().value(1);
    const QList<int> kept{total / 4, total - total / 4};
    RestoreWindowPlace(w, {split}, {QRect(avail.topLeft() + QPoint(10, 20), QSize(300, 200)), false, {kept}});
    EXPECT_EQ(w.geometry(), QRect(avail.topLeft() + QPoint(10, 20), QSize(300, 200)));
    EXPECT_EQ(split->sizes(), kept);

    RestoreWindowPlace(w, {split}, {QRect(avail.right() + 5000, 10, 300, 200), false, {{1, 2, 3}}});
    EXPECT_EQ(w.geometry().center(), avail.center()); // off every screen: centred
    EXPECT_EQ(split->sizes(), kept); // a count that does not match is left alone

    RestoreWindowPlace(w, {}, {QRect(avail.topLeft(), avail.size() * 2), false, {}});
    EXPECT_TRUE(avail.contains(w.geometry())); // larger than the screen: shrunk into it
}

// A first start opens centred in the screen's available area, no larger than it (as far as
// the window's minimum allows); the splitters are kept across a restart, and the View menu follows.
TEST(WindowPlace, FirstStartInsideTheScreenThenKeptAcrossARestart)
{
    WindowFixture f(false);
    const QRect avail = f.w->screen()->availableGeometry();
    EXPECT_LE(f.w->height(), std::max(avail.height() - 30, f.w->minimumSizeHint().height()));
    EXPECT_LE(f.w->width(), std::max(avail.width(), f.w->minimumSizeHint().width()));
    EXPECT_LE((f.w->frameGeometry().center() - avail.center()).manhattanLength(), 2);
    f.w->consolePanel()->setQuickCommandsShown(true);
    const QList<int> quick = f.w->consolePanel()->rzspltrBtnAndDialog->sizes();
    ASSERT_GT(quick.value(0), 0);
    f.close();
    f.open(false);
    EXPECT_EQ(f.w->consolePanel()->rzspltrBtnAndDialog->sizes(), quick);
    EXPECT_TRUE(f.w->findChild<QAction *>("mniQuickCmds")->isChecked());
}

