#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QtGlobal>

namespace nscell {

// One typed cell of a quote table: it keeps its kind and value and renders the text a quote
// screen shows. Cells are created per field on hot paths, so numeric cells hold their value
// inline and never allocate; only text kinds carry QStrings.
//
// Rendering (DisplayText):
//   Integer, BigInteger   plain decimal                        42 -> "42"
//   Volume                plain below 10^4, else two decimals   123456789 -> "1.23亿"
//                         with 万 (10^4) or 亿 (10^8)          12345 -> "1.23万"
//   Price                 integer scaled by its decimals        FromPrice(1050, 2) -> "10.50"
//   RealPrice             fixed with its decimals               FromRealPrice(10.5, 2) -> "10.50"
//   PercentRatio,         ratio x 100, two decimals, "%"        0.1234 -> "12.34%"
//   PercentFloatRatio     (the float kind multiplies in single precision, as its sources are)
//   MagnitudeUnit         the unit's text                       (100, "手") -> "手"
//   DateTime              the time rendered with its format (once, when the cell is built)
//   Translater            the display text (the first text is the key)
//   Text                  the text;  Empty: ""
// Non-finite floating values render as "--". Decimals are clamped to 0..18.
//
// ToInt64: integer kinds their integer; Price the raw integer price; RealPrice the price in
// units of its decimals (rounded); ratios the ratio truncated toward zero; MagnitudeUnit the
// unit; DateTime ms since epoch; Text and Translater (key) their text parsed as an integer, else 0.
//
// Order (operator<): by kind first, then numeric value, then decimals, then texts; a strict weak
// order, so cells can be QMap keys. NaN sorts before every number of its kind.
//
// Threads: a plain value; copies may be used on any thread.
class UnsharedDataCell {
public:
    enum class Kind : quint8 {
        Empty,
        Text,
        Integer,
        BigInteger,
        Volume,
        Price,
        RealPrice,
        PercentRatio,
        PercentFloatRatio,
        MagnitudeUnit,
        DateTime,
        Translater
    };

    UnsharedDataCell() = default;
    UnsharedDataCell(const QString& text);  // NOLINT: a text cell converts from its text

    static UnsharedDataCell FromInteger(qint64 value);
    static UnsharedDataCell FromBigInteger(qint64 value);
    static UnsharedDataCell FromVolume(qint64 value);
    static UnsharedDataCell FromPrice(qint32 price, int decimals);
    static UnsharedDataCell FromRealPrice(double price, int decimals);
    static UnsharedDataCell FromPercentRatio(double ratio);
    static UnsharedDataCell FromPercentFloatRatio(double ratio);
    static UnsharedDataCell FromMagnitudeUnit(int unit, const QString& text);
    static UnsharedDataCell FromDateTime(const QDateTime& time, const QString& format);
    static UnsharedDataCell FromTranslater(const QString& key, const QString& text);

    Kind kind() const { return kind_; }
    bool IsEmpty() const { return kind_ == Kind::Empty; }
    bool IsFloating() const;
    qint64 ToInt64() const;
    double ToDouble() const;
    QString ToString() const;  // the text of a Text cell, else DisplayText
    QString DisplayText() const;
    int Decimals() const { return decimals_; }
    QString Key() const;           // a Translater's key; the text of a Text cell; else ""
    QString Format() const;        // a DateTime's format; else ""
    QDateTime ToDateTime() const;  // a DateTime's time (local); else invalid

    static int Compare(const UnsharedDataCell& a, const UnsharedDataCell& b);
    bool operator<(const UnsharedDataCell& o) const { return Compare(*this, o) < 0; }
    bool operator==(const UnsharedDataCell& o) const { return Compare(*this, o) == 0; }
    bool operator!=(const UnsharedDataCell& o) const { return Compare(*this, o) != 0; }

private:
    UnsharedDataCell(Kind kind, qint64 value, int decimals);
    static UnsharedDataCell FromDouble(Kind kind, double value, int decimals);
    static int CompareNumbers(const UnsharedDataCell& a, const UnsharedDataCell& b);
    QString VolumeText() const;
    QString PercentText() const;

    Kind kind_ = Kind::Empty;
    qint8 decimals_ = 0;
    union {
        qint64 int_ = 0;
        double real_;
    };
    QString text_;  // Text: text; Translater: key; MagnitudeUnit: unit text; DateTime: format
    QString aux_;   // Translater: display text; DateTime: rendered time
};

}  // namespace nscell

Q_DECLARE_TYPEINFO(nscell::UnsharedDataCell, Q_MOVABLE_TYPE);
Q_DECLARE_METATYPE(nscell::UnsharedDataCell)
