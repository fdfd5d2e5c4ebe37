#pragma once
// A stand-in for the main window: every control the protocol uses, by object
// name, plus recording form rules, console and serial port.
#include "protocol/Protocol.h"
#include "util/LineSink.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTimer>
#include "tests/common/LineRecorder.h"

#include <QToolButton>
#include <QWidget>

#include <map>
#include <memory>
#include <utility>
#include <vector>

using FakeConsole = LineRecorder;

struct FakeHooks : FormHooks {
    QWidget *form = nullptr;
    TCmd idCmd = TCmd::MEID;
    std::vector<int> protocolChanges;
    int regTpChanges = 0;
    std::vector<THdVerSign> signs;

    int GetWorkMode() const override;
    void cbbProtocolChange(int tag) override { protocolChanges.push_back(tag); }
    void cbbRegTpChange() override; // shows the slot of the chosen type, as the window does
    void SetHdVerSign(THdVerSign sign) override;
    TCmd IdCmd() const override { return idCmd; }
};

struct Rig {
    QWidget form;
    QTimer timer;
    FakeHooks hooks;
    FakeConsole console;
    bool open = true;
    std::vector<QByteArray> sent; // every hand-over to the port, in order
    std::map<QByteArray, int> toggles; // check box name -> toggled count
    std::unique_ptr<Protocol> proto;

    Rig();

    template <typename T>
    T *w(const char *name) { return form.findChild<T *>(QString::fromLatin1(name)); }
    QCheckBox *box(const char *name) { return w<QCheckBox>(name); }
    QComboBox *cbb(const char *name) { return w<QComboBox>(name); }
    QLineEdit *edt(const char *name) { return w<QLineEdit>(name); }

    QByteArray lastSent() const { return sent.empty() ? QByteArray() : sent.back(); }
    QByteArray regDtSlot(int k) { return cbb("cbbRegDt")->itemText(k).toUtf8(); }

    // Answers every line sent since the last call as the module in its command
    // state would, until nothing new goes out.
    std::map<QByteArray, QByteArray> values;
    std::vector<QByteArray> refuse; // words answered "+ERR:"
    size_t answered = 0;
    int runModule(int maxSteps = 500);
    static QByteArray answerTo(const QByteArray &line, const std::map<QByteArray, QByteArray> &values);
};

// The built-in English texts for the life of the object.
struct EnglishTexts {
    EnglishTexts();
    ~EnglishTexts();
};

// Lines of the queue as sent, each with its line end.
std::vector<QByteArray> queueLines(const Protocol &p);
