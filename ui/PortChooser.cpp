#include "ui/PortChooser.h"

#include "comm/PortList.h"
#include "comm/PortWatcher.h"
#include "lang/AppLang.h"
#include "ui/Console.h"
#include "ui/MainTexts.h"
#include "ui/PortBar.h"
#include "util/Gbk.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QValidator>
#include <QToolButton>

namespace {

int findExact(const QComboBox *c, const QString &text)
{
    return c->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

} // namespace

PortChooser::PortChooser(PortBar &bar, std::function<void(const QString &path)> reopen)
    : QObject(&bar), m_bar(bar), m_reopenRow(std::move(reopen)), m_combo(bar.cbbOpenCom), m_sysDir(QStringLiteral("/sys/class/tty")),
      m_byIdDir(SerialByIdDir())
{
    m_combo->setEditable(true);
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    m_combo->setCompleter(nullptr); // a typed path stays as typed
    m_combo->lineEdit()->setPlaceholderText(QStringLiteral("/dev/..."));

    m_reopen = new QCheckBox(bar.rztlbrCom);
    m_reopen->setObjectName(QStringLiteral("rzchckbxReopen"));
    if (auto *row = qobject_cast<QHBoxLayout *>(bar.rztlbrCom->layout()))
        row->insertWidget(row->indexOf(bar.btnOpenClose) + 1, m_reopen);

    m_watcher = new PortWatcher(this);
    connect(m_watcher, &PortWatcher::portsChanged, this, &PortChooser::devicesChanged);
    // Connected after the window's own handler, which closes the port first.
}

void PortChooser::setSources(const QString &sysClassTty, const QString &byIdDir, const QStringList &watchDirs)
{
    m_sysDir = sysClassTty;
    m_byIdDir = byIdDir;
    delete m_watcher;
    m_watcher = new PortWatcher(watchDirs, this);
    connect(m_watcher, &PortWatcher::portsChanged, this, &PortChooser::devicesChanged);
}

void PortChooser::Fill()
{
    const QStringList ports = ListSerialPorts(m_sysDir, m_byIdDir);
    m_combo->clear();
    m_combo->addItems(ports);
    // A device shows its stable names in its hint, a stable name the device it stands for.
    for (int i = 0; i < ports.size(); ++i) {
        const QString device = PortDevice(ports[i]);
        if (device != ports[i]) {
            m_combo->setItemData(i, device, Qt::ToolTipRole);
            continue;
        }
        QStringList names;
        for (const QString &p : ports)
            if (p != device && PortDevice(p) == device)
                names << QFileInfo(p).fileName();
        if (!names.isEmpty())
            m_combo->setItemData(i, names.join(QLatin1Char('\n')), Qt::ToolTipRole);
    }
    m_combo->setCurrentIndex(-1);
}

void PortChooser::Refresh()
{
    const QString text = m_combo->currentText();
    const int cursor = m_combo->lineEdit()->cursorPosition(); // the user may be typing
    Fill();
    Select(text);
    m_combo->lineEdit()->setCursorPosition(cursor);
}

void PortChooser::DropDown()
{
    // A typed path leaves the last chosen item current; it counts as no selection.
    const int i = m_combo->currentIndex();
    m_combo->setProperty("Tag", i >= 0 && m_combo->itemText(i) == m_combo->currentText() ? i : -1);
    m_storedText = m_combo->currentText();
    Fill();
}

void PortChooser::CloseUp()
{
    if (m_combo->currentIndex() >= 0)
        return;
    const int stored = m_combo->property("Tag").toInt();
    if (stored >= 0 && stored < m_combo->count())
        m_combo->setCurrentIndex(stored);
    else if (stored < 0)
        Select(m_storedText); // a typed path survives a look at the list
}

void PortChooser::Select(const QString &path)
{
    const int i = findExact(m_combo, path);
    if (i >= 0)
        m_combo->setCurrentIndex(i);
    else
        m_combo->setEditText(path);
}

void PortChooser::ApplyTexts()
{
    m_reopen->setText(LangTextU("lang_rzchckbxReopen"));
    m_reopen->setToolTip(LangTextU("hint_rzchckbxReopen"));
    m_combo->lineEdit()->setToolTip(LangTextU("hint_cbbOpenComPath"));
}

PortChooser::RowState PortChooser::rowState() const
{
    RowState s;
    s.path = m_combo->currentText();
    s.baudText = m_bar.cbbOpenBaud->currentText();
    s.parity = m_bar.cbbOpenP->currentIndex();
    s.data = m_bar.cbbOpenD->currentIndex();
    s.stop = m_bar.cbbOpenS->currentIndex();
    s.flow = m_bar.cbbOpenFlow->currentIndex();
    return s;
}

void PortChooser::restoreRow(const RowState &s)
{
    Select(s.path);
    if (const int i = findExact(m_bar.cbbOpenBaud, s.baudText); i >= 0)
        m_bar.cbbOpenBaud->setCurrentIndex(i);
    else if (m_bar.cbbOpenBaud->isEditable())
        m_bar.cbbOpenBaud->setEditText(s.baudText);
    m_bar.cbbOpenP->setCurrentIndex(s.parity);
    m_bar.cbbOpenD->setCurrentIndex(s.data);
    m_bar.cbbOpenS->setCurrentIndex(s.stop);
    m_bar.cbbOpenFlow->setCurrentIndex(s.flow);
}

void PortChooser::lineLost()
{
    m_lost = rowState();
    m_lostGone = !QFileInfo::exists(m_lost.path);
}

void PortChooser::devicesChanged()
{
    Refresh();
    if (m_lost.path.isEmpty())
        return;
    if (m_bar.btnOpenClose->property("Tag").toInt() != 1) {
        m_lost = {}; // the user opened a port meanwhile
        return;
    }
    if (!QFileInfo::exists(m_lost.path)) {
        m_lostGone = true;
        return;
    }
    if (!m_lostGone || !m_reopen->isChecked())
        return;
    const RowState s = m_lost;
    m_lost = {};
    restoreRow(s);
    m_reopenRow(s.path);
}

bool SelectStartPort(PortBar &bar, PortChooser &ports, const QString &port, const QString &baud, QString *error)
{
    if (!baud.isEmpty()) {
        // A listed rate is chosen as its item; any other rate the field takes is typed in.
        QString typed = baud.trimmed();
        int pos = 0;
        const QValidator *v = bar.cbbOpenBaud->lineEdit() ? bar.cbbOpenBaud->lineEdit()->validator() : nullptr;
        const int i = findExact(bar.cbbOpenBaud, typed);
        if (i >= 0) {
            bar.cbbOpenBaud->setCurrentIndex(i);
        } else if (v && v->validate(typed, pos) == QValidator::Acceptable) {
            bar.cbbOpenBaud->setEditText(typed);
        } else {
            if (error)
                *error = QStringLiteral("--baud must be a rate from 50 to 4000000, not '%1'").arg(baud);
            return false;
        }
    }
    if (!port.isEmpty()) {
        ports.Fill();
        ports.Select(port);
    }
    return true;
}
