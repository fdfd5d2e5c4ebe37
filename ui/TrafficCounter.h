#pragma once
// Bytes received from the port and handed to it, shown in the status bar as
// "RX: n  TX: n". A left click sets both to zero.
#include <QLabel>

class TrafficCounter : public QLabel {
    Q_OBJECT
public:
    explicit TrafficCounter(QWidget *parent = nullptr);

    void addRx(qsizetype bytes);
    void addTx(qsizetype bytes);
    void reset();
    qint64 rx() const { return rx_; }
    qint64 tx() const { return tx_; }

    // Caption and hint in the current language.
    void applyTexts();

protected:
    void mouseReleaseEvent(QMouseEvent *e) override;

private:
    void refresh();

    qint64 rx_ = 0, tx_ = 0;
};
