#include "ui/StationRecords.h"

#include "lang/AppLang.h"
#include "util/FileIo.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const char *const kHeads[] = {"started_at", "seconds", "port", "sn", "imei", "iccid", "version",
                              "template", "values", "outcome", "exit_code", "detail"};

} // namespace

StationRecords::StationRecords(const QString &place, const QString &station, QWidget *parent)
    : QWidget(parent), place_(place), station_(station)
{
    setObjectName(QStringLiteral("stationRecords"));
    model_ = new QStandardItemModel(this);
    proxy_ = new QSortFilterProxyModel(this);
    proxy_->setSourceModel(model_);
    proxy_->setFilterKeyColumn(-1);
    proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    view_ = new QTableView(this);
    view_->setObjectName(QStringLiteral("tblRecords"));
    view_->setModel(proxy_);
    view_->setSortingEnabled(true);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->horizontalHeader()->setStretchLastSection(true);
    view_->verticalHeader()->hide();
    view_->sortByColumn(0, Qt::DescendingOrder); // newest first
    filterLabel_ = new QLabel(this);
    filter_ = new QLineEdit(this);
    filter_->setObjectName(QStringLiteral("edtRecordFilter"));
    filter_->setClearButtonEnabled(true);
    filterLabel_->setBuddy(filter_);
    export_ = new QPushButton(this);
    export_->setObjectName(QStringLiteral("btnRecordExport"));
    error_ = new QLabel(this);
    error_->setStyleSheet(QStringLiteral("color: #d00000"));
    connect(filter_, &QLineEdit::textChanged, proxy_, &QSortFilterProxyModel::setFilterFixedString);
    connect(export_, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, export_->text().remove('&'), QString(),
                                                          QStringLiteral("CSV (*.csv)"));
        QString why;
        if (!path.isEmpty() && !exportTo(path, &why))
            error_->setText(why);
    });
    auto *bar = new QHBoxLayout;
    bar->addWidget(filterLabel_);
    bar->addWidget(filter_, 1);
    bar->addWidget(export_);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(bar);
    lay->addWidget(view_, 1);
    lay->addWidget(error_);
    applyTexts();
}

void StationRecords::applyTexts()
{
    filterLabel_->setText(LangTextU("lang_StFilter"));
    export_->setText(LangTextU("lang_StExport"));
}

void StationRecords::reload()
{
    RecordStore store;
    QString why;
    all_.clear();
    if (store.open(place_, &why))
        for (const ProvisionRecord &r : store.list({}, &why))
            if (r.station == station_)
                all_.append(r);
    error_->setText(why);
    model_->clear();
    QStringList heads;
    for (const char *h : kHeads)
        heads << QString::fromLatin1(h);
    model_->setHorizontalHeaderLabels(heads);
    for (const ProvisionRecord &r : all_) {
        const QStringList cells = {r.startedAt.toLocalTime().toString(Qt::ISODate), QString::number(r.seconds, 'f', 1),
                                   r.port, r.sn, r.imei, r.iccid, r.version, r.templateName, r.valuesJson,
                                   r.outcome, QString::number(r.exitCode), r.detail};
        QList<QStandardItem *> row;
        for (const QString &c : cells)
            row << new QStandardItem(c);
        model_->appendRow(row);
    }
    view_->resizeColumnsToContents();
}

QList<ProvisionRecord> StationRecords::shown() const
{
    QList<ProvisionRecord> out;
    for (int i = 0; i < proxy_->rowCount(); ++i)
        out << all_.value(proxy_->mapToSource(proxy_->index(i, 0)).row());
    return out;
}

bool StationRecords::exportTo(const QString &path, QString *error) const
{
    return WriteFileAtomically(path, RecordsCsv(shown()), error);
}
