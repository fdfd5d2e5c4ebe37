#pragma once
// The console panel: the command buttons, the console with its hex mirror and
// progress bar, and the send bar. The window runs what its buttons ask for.
#include <QWidget>

#include <memory>

class ConsoleView;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QSplitter;
class QToolButton;

class ConsolePanel : public QWidget {
    Q_OBJECT
public:
    // pmSend and pmSendType hang on the send bar; pmCls is every pane's context menu.
    ConsolePanel(QMenu *pmSend, QMenu *pmSendType, QMenu *pmCls, QWidget *parent = nullptr);

    // Captions and hints in the current language.
    void applyTexts();
    ~ConsolePanel() override;

    ConsoleView *console() const { return console_.get(); }
    bool hexPaneOn() const;
    void setHexPane(bool on);
    // The quick-command row above the console (collapsed at start).
    bool quickCommandsShown() const;
    void setQuickCommandsShown(bool on);
    // The splitters got sizes from elsewhere (a kept place): say how the panes stand.
    void splittersRestored() { emit quickCommandsChanged(quickCommandsShown()); }
    // Send by the serial line (1) or as a text message (2).
    void pmSendTypeClick(int tag);
    // A line break into the send box.
    void actCRExecute();
    // Keeps the send button at the right end of its bar.
    void rzgrpbxDoResize();

    QGroupBox *rzgrpbxDo = nullptr;
    QLabel *imgGIF = nullptr;
    QPlainTextEdit *edtDialog = nullptr, *edtDialogHex = nullptr, *edtSend = nullptr;
    QProgressBar *rzpbWhile = nullptr;
    QWidget *rztlbrSendTpye = nullptr, *rztlbrSend = nullptr, *rzspcr4 = nullptr;
    QToolButton *btnSendTpye = nullptr, *btnSend = nullptr, *btnSetSendKey = nullptr;
    QLineEdit *edtReTelNum = nullptr;
    QSplitter *rzspltrBtnAndDialog = nullptr, *rzspltrDialog = nullptr;

signals:
    // A command button with its Tag.
    void commandClicked(int tag);
    // The hex pane or the quick-command row was shown or hidden, by whatever way.
    void hexPaneChanged(bool on);
    void quickCommandsChanged(bool shown);

protected:
    bool eventFilter(QObject *o, QEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    static constexpr int kQuickRowHeight = 81;
    void addHotSpot(QSplitter *split, int pane, int restoreSize);
    void showPane(QSplitter *split, int pane, bool on, int restoreSize);

    std::unique_ptr<ConsoleView> console_;
    bool hexPane_ = false;
};
