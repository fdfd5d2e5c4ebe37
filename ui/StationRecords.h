#pragma once
// The records of one station in a table, with a filter over every column and
// an export of what the filter shows.
#include "config/Records.h"

#include <QWidget>

class QLineEdit;
class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;

class StationRecords : public QWidget {
public:
    StationRecords(const QString &place, const QString &station, QWidget *parent = nullptr);

    // Reads the records again (after a run ended).
    void reload();
    void applyTexts();
    // The records the filter shows, in table order.
    QList<ProvisionRecord> shown() const;
    bool exportTo(const QString &path, QString *error) const;

private:
    QString place_, station_;
    QList<ProvisionRecord> all_;
    QStandardItemModel *model_;
    QSortFilterProxyModel *proxy_;
    QTableView *view_;
    QLabel *filterLabel_;
    QLineEdit *filter_;
    QPushButton *export_;
    QLabel *error_;
};
