#include "ui/MainTexts.h"

#include "lang/AppLang.h"
#include "util/Gbk.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

void SetLabelCaption(QLabel *l, const QByteArray &key) { l->setText(LangTextU(key)); }
void SetLabelHint(QLabel *l, const QByteArray &key) { l->setToolTip(LangTextU(key)); }
void SetLabelCaptionHint(QLabel *l, const QByteArray &captionKey, const QByteArray &hintKey)
{
    SetLabelCaption(l, captionKey);
    SetLabelHint(l, hintKey);
}
void SetRadioCaption(QAbstractButton *rb, const QByteArray &key) { rb->setText(LangTextU(key)); }
void SetCheckBoxCaption(QAbstractButton *cb, const QByteArray &key) { cb->setText(LangTextU(key)); }
void SetServerCheckCaption(QAbstractButton *cb, const QByteArray &key, const QByteArray &suffix)
{
    cb->setText(gbk::toUnicode(LangText(key) + suffix));
}
void SetControlCaption(QWidget *w, const QByteArray &key)
{
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        b->setText(LangTextU(key));
    else if (auto *l = qobject_cast<QLabel *>(w))
        l->setText(LangTextU(key));
}
void SetButtonCaption(QAbstractButton *b, const QByteArray &key) { b->setText(LangTextU(key)); }
void SetLabeledEditCaption(QLineEdit *e, const QByteArray &key)
{
    if (auto *l = qobject_cast<QLabel *>(e->property("label").value<QObject *>()))
        l->setText(LangTextU(key));
}
void SetGroupCaption(QGroupBox *g, const QByteArray &key) { g->setTitle(LangTextU(key)); }

void SetParaGroupCaption(QGroupBox *g, int workMode, const QByteArray &key)
{
    const char *modeKey = workMode == 1 ? "lang_rbHttpd" : workMode == 2 ? "lang_rbSmsTran" : "lang_rbNetTran";
    const QByteArray modeName = LangText(modeKey);
    const bool zh = LangList && LangList->IsChinese;
    const QByteArray caption = zh ? LangText(modeName) + LangText(key) : LangText(key) + LangText(modeName);
    g->setTitle(gbk::toUnicode(caption));
}

void SetPopupItemCaption(QMenu *m, int index, const QByteArray &key)
{
    const QList<QAction *> items = m->actions();
    if (index >= 0 && index < items.size())
        items[index]->setText(LangTextU(key));
}

void SetComboItem(QComboBox *c, int index, const QByteArray &key)
{
    if (index < 0 || index >= c->count())
        return;
    const int sel = c->currentIndex();
    c->setItemText(index, LangTextU(key));
    c->setCurrentIndex(sel);
}

void SetComboHint(QComboBox *c, const QByteArray &key) { c->setToolTip(LangTextU(key)); }
void SetCheckBoxHint(QAbstractButton *cb, const QByteArray &key) { cb->setToolTip(LangTextU(key)); }
void SetImageHint(QLabel *img, const QByteArray &key) { img->setToolTip(LangTextU(key)); }
