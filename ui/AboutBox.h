#pragma once
// The About box: version, maker's contacts, and the picture whose fifth click
// turns the console's hexadecimal pane on.
#include <QDialog>

class QLabel;
class ClickLabel;
class QPushButton;
class ConsolePanel;

class Tfrm_About : public QDialog {
public:
    // panel: the fifth click on the picture shows its hex pane.
    Tfrm_About(QWidget *parent, ConsolePanel &panel);

    void ApplyAboutTexts();
    void img_AboutClick();
    int AboutClickCount() const { return m_clicks; }

protected:
    void showEvent(QShowEvent *e) override;

private:
    void FormShow();

    ConsolePanel &m_panel;
    int m_clicks = 0;
    ClickLabel *img_About;
    QLabel *lbl_SoftName, *lbl_About_version, *lbl_version, *lbl_Aboutl_Description, *lbl_About_Contact,
        *lbl_About_Website, *lbl_About_Tel, *lbl_About_Email;
    QPushButton *btn_About_Yes;
};

// Decodes a JPEG with libjpeg; a null image when the bytes are no JPEG.
class QImage;
QImage DecodeJpeg(const QByteArray &bytes);
