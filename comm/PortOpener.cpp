#include "comm/PortOpener.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>

TOpenFailure OpenFailureOf(int sysError)
{
    switch (sysError) {
    case 0:
        return TOpenFailure::Other;
    case EBUSY:
        return TOpenFailure::InUse;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return TOpenFailure::NoDevice;
    case EACCES:
    case EPERM:
        return TOpenFailure::NoAccess;
    default:
        return TOpenFailure::Other;
    }
}

quint32 ReadGapForBaud(quint32 baud)
{
    if (baud == 1200 || baud == 2400)
        return 200;
    if (baud == 4800)
        return 80;
    return 60;
}

quint32 TransferReadGapForBaud(quint32 baud)
{
    if (baud == 0)
        return ReadGapForBaud(baud);
    const quint64 ms = (3ull * 10 * 1000 + baud - 1) / baud; // 10 bits per character, rounded up
    return quint32(std::max<quint64>(1, ms));
}

bool PortOpen(TComm &cm, const PortRowSettings &row, QString *error, TOpenFailureInfo *why)
{
    const auto fail = [why](TOpenFailure kind, const QString &reason) {
        if (why)
            *why = {kind, reason};
    };
    if (why)
        *why = {};
    try {
        cm.CloseComm();
        // Fixed settings: no output flow control, DTR and RTS low.
        cm.setOutx_CtsFlow(false);
        cm.setOutx_DsrFlow(false);
        cm.setDtrControl(TDtrControl::DtrDisable);
        cm.setTxContinueOnXoff(false);
        cm.setRtsControl(TRtsControl::RtsDisable);
        cm.setCommName(row.comName);
        // A decimal integer, blanks around it allowed.
        bool ok = false;
        const quint32 baud = row.baudText.trimmed().toUInt(&ok, 10);
        if (!ok) {
            if (error)
                *error = QStringLiteral("Baud rate \"%1\" is not a number").arg(row.baudText);
            fail(TOpenFailure::Other, QStringLiteral("Baud rate \"%1\" is not a number").arg(row.baudText));
            return false;
        }
        cm.setBaudRate(baud);
        switch (row.parityIndex) {
        case 0:
            cm.setParityCheck(false);
            cm.setParity(TParity::None);
            break;
        case 1:
            cm.setParityCheck(true);
            cm.setParity(TParity::Odd);
            break;
        case 2:
            cm.setParityCheck(true);
            cm.setParity(TParity::Even);
            break;
        default:
            break; // no selection: unchanged
        }
        if (row.dataIndex == 0)
            cm.setByteSize(TByteSize::_7);
        else if (row.dataIndex == 1)
            cm.setByteSize(TByteSize::_8);
        if (row.stopIndex == 0)
            cm.setStopBits(TStopBits::_1);
        else if (row.stopIndex == 1)
            cm.setStopBits(TStopBits::_2);
        // Each answer of the module arrives as one chunk ended by a pause of this length.
        cm.setReadIntervalTimeout(ReadGapForBaud(cm.BaudRate()));
        // "CRTS" holds RTS on; CTS output flow stays off either way.
        cm.setRtsControl(row.flowIndex == 1 ? TRtsControl::RtsEnable : TRtsControl::RtsDisable);
        cm.OpenComm();
        if (error)
            error->clear();
        return true;
    } catch (const ECommsError &e) {
        if (error)
            *error = DescribeCommsError(e);
        fail(OpenFailureOf(e.sysError()),
             e.sysError() ? QString::fromLocal8Bit(std::strerror(e.sysError())) : e.message());
    } catch (const std::exception &e) {
        if (error)
            *error = QString::fromLocal8Bit(e.what());
        fail(TOpenFailure::Other, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        if (error)
            *error = QStringLiteral("Unknown failure opening the serial port");
        fail(TOpenFailure::Other, QStringLiteral("Unknown failure opening the serial port"));
    }
    return false;
}

void PortClose(TComm &cm) { cm.CloseComm(); }
