#pragma once
// A red frame on the controls of every parameter the module refused, or that
// Get All could not read, in the last run, until the user edits one of them or
// a later answer fills them again.
#include "protocol/Catalogue.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSet>

class Protocol;
class QWidget;

class RefusalMarks : public QObject {
public:
    // Follows the protocol's refusals and applied values; adds the frame's rule
    // to the form's style sheet unless it is there already.
    RefusalMarks(QWidget *form, Protocol &protocol);
    // The frame's rule, for a form that sets its whole style sheet at once:
    // every further change of a form's style sheet polishes all its controls again.
    static QString styleRule();

    // Frames the controls of these command words (unknown words are skipped).
    void mark(const QList<QByteArray> &words);
    // Removes the frame of one word's controls.
    void clear(TCmd c);

    bool isMarked(const QWidget *w) const;
    QList<TCmd> markedWords() const { return m_marked.keys(); }

private:
    void watch(QWidget *w);
    void edited(QWidget *w);
    void setFrame(QWidget *w, bool on);

    Protocol &m_protocol;
    QMap<TCmd, QList<QPointer<QWidget>>> m_marked;
    QSet<QWidget *> m_watched;
};
