#pragma once
// Setters that put one key's text, in the current language, on one property.
#include <QByteArray>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QWidget;

void SetLabelCaption(QLabel *l, const QByteArray &key);
void SetLabelHint(QLabel *l, const QByteArray &key);
void SetLabelCaptionHint(QLabel *l, const QByteArray &captionKey, const QByteArray &hintKey);
void SetRadioCaption(QAbstractButton *rb, const QByteArray &key);
void SetCheckBoxCaption(QAbstractButton *cb, const QByteArray &key);
void SetServerCheckCaption(QAbstractButton *cb, const QByteArray &key, const QByteArray &suffix);
void SetControlCaption(QWidget *w, const QByteArray &key);
void SetButtonCaption(QAbstractButton *b, const QByteArray &key);
void SetLabeledEditCaption(QLineEdit *e, const QByteArray &key);
void SetGroupCaption(QGroupBox *g, const QByteArray &key);
void SetParaGroupCaption(QGroupBox *g, int workMode, const QByteArray &key);
void SetPopupItemCaption(QMenu *m, int index, const QByteArray &key);
void SetComboItem(QComboBox *c, int index, const QByteArray &key);
void SetComboHint(QComboBox *c, const QByteArray &key);
void SetCheckBoxHint(QAbstractButton *cb, const QByteArray &key);
void SetImageHint(QLabel *img, const QByteArray &key);
