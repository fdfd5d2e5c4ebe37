#include "ui/StationProbe.h"

#include "ui/ProvisionChild.h"

StationProbe::StationProbe(QString program, QString port, QString baud, QObject *parent)
    : QObject(parent), program_(std::move(program)), port_(std::move(port)), baud_(std::move(baud)),
      child_(new ProvisionChild(this))
{
    connect(child_, &ProvisionChild::identity, this, [this](const QString &imei, const QString &sn) {
        imei_ = imei;
        sn_ = sn;
    });
    connect(child_, &ProvisionChild::finished, this, [this](int, const QString &, const QString &, bool) {
        // Only an identity the module gave counts; an exit code alone says nothing of which module.
        emit heard(StationIdentity(imei_, sn_));
    });
}

QString StationIdentity(const QString &imei, const QString &sn)
{
    return imei.isEmpty() && sn.isEmpty() ? QString() : imei + QLatin1Char('/') + sn;
}

bool StationProbe::running() const { return child_->running(); }

void StationProbe::stop() { child_->stop(); }

void StationProbe::start()
{
    if (running())
        return;
    imei_.clear();
    sn_.clear();
    const QString out = scratch_.isValid() ? scratch_.filePath(QStringLiteral("probe.ini")) : QStringLiteral("/dev/null");
    child_->start(program_,
                  {"--batch", "get-all", "--port", port_, "--baud", baud_, "--ini", out, "--json", "--timeout", "15"},
                  30);
}
