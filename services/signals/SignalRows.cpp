#include "services/signals/SignalRows.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

using nscell::DataRow;
using nscell::UnsharedDataCell;

namespace shortline {

namespace {

const QDate kSignalDay(1900, 1, 1);  // signals carry a time of day only
const QString kTimeFormat = QStringLiteral("hh:mm:ss");

// HHMMSSmmm: 93005120 is 09:30:05.120.
QTime TimeOfDay(qint32 hhmmssmmm) {
    const qint32 ms = hhmmssmmm % 1000;
    const qint32 hhmmss = hhmmssmmm / 1000;
    return QTime(hhmmss / 10000, hhmmss / 100 % 100, hhmmss % 100, ms);
}

}  // namespace

DataRow SignalTypeRow(const SignalType& type) {
    const QString groupCode = QString::number(type.signal_type_group_code);
    DataRow row;
    row.Set(QStringLiteral("signal_type_code"), UnsharedDataCell(type.signal_type_code));
    row.Set(QStringLiteral("signal_type_name"),
            UnsharedDataCell::FromTranslater(type.signal_type_code, type.signal_type_name));
    row.Set(QStringLiteral("signal_type_group_code"), UnsharedDataCell(groupCode));
    row.Set(QStringLiteral("signal_type_group_name"),
            UnsharedDataCell::FromTranslater(groupCode, type.signal_type_group_name));
    return row;
}

DataRow SignalRow(const ShortLineSignal& signal) {
    DataRow row;
    row.Set(QStringLiteral("order"), UnsharedDataCell::FromInteger(signal.order));
    row.Set(QStringLiteral("stock_name"), UnsharedDataCell(signal.stock_name));
    row.Set(QStringLiteral("stock_code"), UnsharedDataCell(signal.stock_code));
    row.Set(QStringLiteral("signal_type_name"), UnsharedDataCell(signal.signal_type_name));
    row.Set(QStringLiteral("signal_type_deal_direction"),
            UnsharedDataCell::FromInteger(signal.signal_type_deal_direction));
    row.Set(QStringLiteral("signal_time"),
            UnsharedDataCell::FromDateTime(QDateTime(kSignalDay, TimeOfDay(signal.signal_time)),
                                           kTimeFormat));
    row.Set(QStringLiteral("signal_description"), UnsharedDataCell(signal.signal_description));
    return row;
}

DataRow StatisticsRow(const SignalType& type, int direction, qint64 count) {
    DataRow row = SignalTypeRow(type);
    row.Set(QStringLiteral("signal_type_deal_direction"),
            UnsharedDataCell::FromTranslater(
                QString::number(direction),
                direction > 0 ? QStringLiteral("买") : QStringLiteral("卖")));
    row.Set(QStringLiteral("signal_type_statistics"), UnsharedDataCell::FromBigInteger(count));
    return row;
}

}  // namespace shortline
