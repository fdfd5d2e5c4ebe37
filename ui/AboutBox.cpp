#include "ui/AboutBox.h"

#include "util/Version.h"
#include "lang/AppLang.h"
#include "ui/ConsoleColours.h"
#include "ui/ConsolePanel.h"
#include "ui/Widgets.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace {

struct JpegErr {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void jpegFail(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegErr *>(cinfo->err)->jump, 1);
}

void jpegQuiet(j_common_ptr, int) {}

constexpr int kAboutPicture = 100; // the picture's place, square

} // namespace

QImage DecodeJpeg(const QByteArray &bytes)
{
    if (bytes.size() < 4)
        return {};
    jpeg_decompress_struct cinfo{};
    JpegErr err{};
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegFail;
    err.mgr.emit_message = jpegQuiet;
    // Declared before setjmp so a failed decode never leaves it half built.
    QImage *img = new QImage;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        delete img;
        return {};
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_width > 8192 || cinfo.output_height > 8192 || cinfo.output_components != 3) {
        jpeg_destroy_decompress(&cinfo);
        delete img;
        return {};
    }
    *img = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB888);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = img->scanLine(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    QImage out = *img;
    delete img;
    return out;
}

Tfrm_About::Tfrm_About(QWidget *parent, ConsolePanel &panel) : QDialog(parent), m_panel(panel)
{
    setObjectName("frm_About");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(473, 215);
    auto *g = new QGridLayout(this);
    img_About = new ClickLabel(this);
    img_About->setObjectName("img_About");
    img_About->setFixedSize(100, 100);
    img_About->onClick = [this] { img_AboutClick(); };
    g->addWidget(img_About, 0, 0, 3, 1, Qt::AlignTop);
    auto mk = [this](const char *name) {
        auto *l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        l->setTextFormat(Qt::PlainText);
        return l;
    };
    lbl_SoftName = mk("lbl_SoftName");
    lbl_About_version = mk("lbl_About_version");
    lbl_version = mk("lbl_version");
    lbl_Aboutl_Description = mk("lbl_Aboutl_Description");
    lbl_Aboutl_Description->setWordWrap(true);
    lbl_Aboutl_Description->setFixedWidth(265);
    lbl_Aboutl_Description->setMinimumHeight(40);
    lbl_About_Contact = mk("lbl_About_Contact");
    auto *site = new ClickLabel(this);
    site->setObjectName("lbl_About_Website");
    site->setTextFormat(Qt::PlainText);
    site->setStyleSheet(QStringLiteral("color: %1; text-decoration: underline;")
                            .arg(LegibleOn(QColor(Qt::blue), palette().color(QPalette::Window)).name()));
    site->setCursor(Qt::PointingHandCursor);
    site->onClick = [site] { QDesktopServices::openUrl(QUrl(site->text())); };
    lbl_About_Website = site;
    lbl_About_Tel = mk("lbl_About_Tel");
    lbl_About_Email = mk("lbl_About_Email");
    auto *right = new QVBoxLayout;
    right->addWidget(lbl_SoftName);
    auto *ver = new QHBoxLayout;
    ver->addWidget(lbl_About_version);
    ver->addWidget(lbl_version);
    ver->addStretch(1);
    right->addLayout(ver);
    right->addWidget(lbl_Aboutl_Description);
    right->addStretch(1);
    g->addLayout(right, 0, 1, 3, 2);
    auto *bevel = new QFrame(this);
    bevel->setObjectName("Bevel1");
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    g->addWidget(bevel, 3, 0, 1, 3);
    g->addWidget(lbl_About_Contact, 4, 0);
    g->addWidget(lbl_About_Website, 4, 1, 1, 2);
    g->addWidget(lbl_About_Tel, 5, 0);
    g->addWidget(lbl_About_Email, 5, 1);
    btn_About_Yes = new QPushButton(this);
    btn_About_Yes->setObjectName("btn_About_Yes");
    btn_About_Yes->setFixedSize(111, 25);
    connect(btn_About_Yes, &QPushButton::clicked, this, &QDialog::accept);
    g->addWidget(btn_About_Yes, 5, 2, Qt::AlignRight);
}

void Tfrm_About::showEvent(QShowEvent *e)
{
    FormShow();
    CentreOnScreen(this);
    QDialog::showEvent(e);
}

void Tfrm_About::FormShow()
{
    m_clicks = 0;
    ApplyAboutTexts();
    lbl_version->setText(QStringLiteral(" V") + GetAppVersion());
    QFile builtin(QStringLiteral(":/about/About.jpg"));
    QImage pic;
    if (builtin.open(QIODevice::ReadOnly))
        pic = DecodeJpeg(builtin.readAll());
    QFile own(QCoreApplication::applicationDirPath() + QStringLiteral("/About.jpg"));
    if (own.open(QIODevice::ReadOnly)) {
        // A damaged picture leaves the built-in one in place.
        const QImage custom = DecodeJpeg(own.read(32 * 1024 * 1024));
        if (!custom.isNull())
            pic = custom;
    }
    // The picture is shown at its own size, or scaled down into the 100 x 100 place
    // beside the texts when it is larger; the label follows it.
    if (pic.width() > kAboutPicture || pic.height() > kAboutPicture)
        pic = pic.scaled(kAboutPicture, kAboutPicture, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    img_About->setPixmap(QPixmap::fromImage(pic));
    img_About->setFixedSize(pic.isNull() ? QSize(kAboutPicture, kAboutPicture) : pic.size());
}

void Tfrm_About::ApplyAboutTexts()
{
    setWindowTitle(LangTextU("lang_About_Title"));
    lbl_SoftName->setText(LangTextU("lang_About_SoftName"));
    lbl_About_version->setText(LangTextU("lang_About_Version"));
    lbl_Aboutl_Description->setText(LangTextU("lang_About_Description"));
    lbl_About_Contact->setText(LangTextU("lang_About_Contact"));
    lbl_About_Website->setText(LangTextU("lang_About_Website"));
    lbl_About_Tel->setText(LangTextU("lang_About_Tel"));
    lbl_About_Email->setText(LangTextU("lang_About_Email"));
    btn_About_Yes->setText(LangTextU("lang_About_OK"));
}

void Tfrm_About::img_AboutClick()
{
    ++m_clicks;
    m_panel.setHexPane(m_clicks == 5);
}
