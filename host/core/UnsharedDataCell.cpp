#include "host/core/UnsharedDataCell.h"

#include <cmath>
#include <limits>

namespace nscell {

namespace {
constexpr int kMaxDecimals = 18;   // 10^18 still fits a qint64
constexpr qint64 kWan = 10000;     // 万
constexpr qint64 kYi = 100000000;  // 亿
const QString kNoValue = QStringLiteral("--");

int ClampDecimals(int decimals) {
    return qBound(0, decimals, kMaxDecimals);
}

qint64 Pow10(int exponent) {
    qint64 p = 1;
    for (int i = 0; i < exponent; ++i) {
        p *= 10;
    }
    return p;
}

template <typename T>
int Sign(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// A total order on doubles: NaN first, then the numbers (-0.0 equals 0.0).
int CompareReals(double a, double b) {
    const bool aNan = std::isnan(a);
    const bool bNan = std::isnan(b);
    if (aNan || bNan) {
        return int(bNan) - int(aNan);
    }
    return Sign(a, b);
}

// Integer price p with d decimals, exactly: compares p1 * 10^d2 with p2 * 10^d1.
int ComparePrices(qint64 p1, int d1, qint64 p2, int d2) {
    const __int128 a = static_cast<__int128>(p1) * Pow10(d2);
    const __int128 b = static_cast<__int128>(p2) * Pow10(d1);
    return Sign(a, b);
}

qint64 TruncateToInt64(double v) {
    if (!std::isfinite(v)) {
        return 0;
    }
    if (v >= 9.2e18 || v <= -9.2e18) {
        return v > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    }
    return static_cast<qint64>(v);
}
}  // namespace

UnsharedDataCell::UnsharedDataCell(const QString& text) : kind_(Kind::Text), text_(text) {}

UnsharedDataCell::UnsharedDataCell(Kind kind, qint64 value, int decimals)
    : kind_(kind), decimals_(qint8(ClampDecimals(decimals))), int_(value) {}

UnsharedDataCell UnsharedDataCell::FromDouble(Kind kind, double value, int decimals) {
    UnsharedDataCell cell(kind, 0, decimals);
    cell.real_ = value;
    return cell;
}

UnsharedDataCell UnsharedDataCell::FromInteger(qint64 value) {
    return UnsharedDataCell(Kind::Integer, value, 0);
}

UnsharedDataCell UnsharedDataCell::FromBigInteger(qint64 value) {
    return UnsharedDataCell(Kind::BigInteger, value, 0);
}

UnsharedDataCell UnsharedDataCell::FromVolume(qint64 value) {
    return UnsharedDataCell(Kind::Volume, value, 2);
}

UnsharedDataCell UnsharedDataCell::FromPrice(qint32 price, int decimals) {
    return UnsharedDataCell(Kind::Price, price, decimals);
}

UnsharedDataCell UnsharedDataCell::FromRealPrice(double price, int decimals) {
    return FromDouble(Kind::RealPrice, price, decimals);
}

UnsharedDataCell UnsharedDataCell::FromPercentRatio(double ratio) {
    return FromDouble(Kind::PercentRatio, ratio, 2);
}

UnsharedDataCell UnsharedDataCell::FromPercentFloatRatio(double ratio) {
    return FromDouble(Kind::PercentFloatRatio, ratio, 2);
}

UnsharedDataCell UnsharedDataCell::FromMagnitudeUnit(int unit, const QString& text) {
    UnsharedDataCell cell(Kind::MagnitudeUnit, unit, 0);
    cell.text_ = text;
    return cell;
}

UnsharedDataCell UnsharedDataCell::FromDateTime(const QDateTime& time, const QString& format) {
    UnsharedDataCell cell(Kind::DateTime, time.isValid() ? time.toMSecsSinceEpoch() : 0, 0);
    cell.text_ = format;
    cell.aux_ = time.isValid() ? time.toString(format) : QString();  // rendered once, here
    return cell;
}

UnsharedDataCell UnsharedDataCell::FromTranslater(const QString& key, const QString& text) {
    UnsharedDataCell cell(Kind::Translater, 0, 0);
    cell.text_ = key;
    cell.aux_ = text;
    return cell;
}

bool UnsharedDataCell::IsFloating() const {
    return kind_ == Kind::RealPrice || kind_ == Kind::PercentRatio ||
           kind_ == Kind::PercentFloatRatio;
}

qint64 UnsharedDataCell::ToInt64() const {
    switch (kind_) {
        case Kind::Empty:
            return 0;
        case Kind::Text:
        case Kind::Translater:
            return text_.trimmed().toLongLong();  // 0 when not a number
        case Kind::RealPrice:
            return TruncateToInt64(std::round(real_ * double(Pow10(decimals_))));
        case Kind::PercentRatio:
        case Kind::PercentFloatRatio:
            return TruncateToInt64(real_);
        default:
            return int_;
    }
}

double UnsharedDataCell::ToDouble() const {
    switch (kind_) {
        case Kind::Empty:
            return 0.0;
        case Kind::Text:
        case Kind::Translater:
            return text_.trimmed().toDouble();  // 0 when not a number
        case Kind::Price:
            return double(int_) / double(Pow10(decimals_));
        case Kind::RealPrice:
        case Kind::PercentRatio:
        case Kind::PercentFloatRatio:
            return real_;
        default:
            return double(int_);
    }
}

QString UnsharedDataCell::ToString() const {
    return kind_ == Kind::Text ? text_ : DisplayText();
}

QString UnsharedDataCell::DisplayText() const {
    switch (kind_) {
        case Kind::Empty:
            return QString();
        case Kind::Text:
        case Kind::MagnitudeUnit:
            return text_;
        case Kind::Integer:
        case Kind::BigInteger:
            return QString::number(int_);
        case Kind::Volume:
            return VolumeText();
        case Kind::Price: {
            if (decimals_ == 0) {
                return QString::number(int_);
            }
            const qint64 scale = Pow10(decimals_);
            const quint64 magnitude = int_ < 0 ? 0 - quint64(int_) : quint64(int_);
            return QStringLiteral("%1%2.%3")
                .arg(int_ < 0 ? QStringLiteral("-") : QString())
                .arg(magnitude / quint64(scale))
                .arg(magnitude % quint64(scale), decimals_, 10, QLatin1Char('0'));
        }
        case Kind::RealPrice:
            return std::isfinite(real_) ? QString::number(real_, 'f', decimals_) : kNoValue;
        case Kind::PercentRatio:
        case Kind::PercentFloatRatio:
            return PercentText();
        case Kind::DateTime:
        case Kind::Translater:
            return aux_;
    }
    return QString();
}

QString UnsharedDataCell::VolumeText() const {
    const quint64 magnitude = int_ < 0 ? 0 - quint64(int_) : quint64(int_);
    if (magnitude < quint64(kWan)) {
        return QString::number(int_);
    }
    const double value = double(int_);
    // 99995000 would round to "10000.00万": such values move up to 亿.
    if (magnitude < quint64(kYi) && std::fabs(std::round(value / kWan * 100) / 100) < kWan) {
        return QString::number(value / kWan, 'f', 2) + QStringLiteral("万");
    }
    return QString::number(value / kYi, 'f', 2) + QStringLiteral("亿");
}

QString UnsharedDataCell::PercentText() const {
    if (!std::isfinite(real_)) {
        return kNoValue;
    }
    const double percent =
        kind_ == Kind::PercentFloatRatio ? double(float(real_) * 100.0f) : real_ * 100.0;
    return QString::number(percent, 'f', 2) + QLatin1Char('%');
}

QString UnsharedDataCell::Key() const {
    return kind_ == Kind::Text || kind_ == Kind::Translater ? text_ : QString();
}

QString UnsharedDataCell::Format() const {
    return kind_ == Kind::DateTime ? text_ : QString();
}

QDateTime UnsharedDataCell::ToDateTime() const {
    return kind_ == Kind::DateTime ? QDateTime::fromMSecsSinceEpoch(int_) : QDateTime();
}

int UnsharedDataCell::CompareNumbers(const UnsharedDataCell& a, const UnsharedDataCell& b) {
    switch (a.kind_) {
        case Kind::Empty:
        case Kind::Text:
        case Kind::Translater:
            return 0;  // ordered by their texts
        case Kind::Price:
            return ComparePrices(a.int_, a.decimals_, b.int_, b.decimals_);
        case Kind::RealPrice:
        case Kind::PercentRatio:
        case Kind::PercentFloatRatio:
            return CompareReals(a.real_, b.real_);
        default:
            return Sign(a.int_, b.int_);
    }
}

int UnsharedDataCell::Compare(const UnsharedDataCell& a, const UnsharedDataCell& b) {
    if (a.kind_ != b.kind_) {
        return Sign(a.kind_, b.kind_);
    }
    if (const int byNumber = CompareNumbers(a, b)) {
        return byNumber;
    }
    if (a.decimals_ != b.decimals_) {
        return Sign(a.decimals_, b.decimals_);
    }
    if (const int byText = a.text_.compare(b.text_)) {
        return byText < 0 ? -1 : 1;
    }
    const int byAux = a.aux_.compare(b.aux_);
    return byAux < 0 ? -1 : (byAux > 0 ? 1 : 0);
}

}  // namespace nscell
