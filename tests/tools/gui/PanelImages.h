#pragma once
// Comparing a panel's picture with its golden image with a tolerance that a changed font passes
// and a missing bar, a swapped side or a wrong colour does not: text is masked (pixels of low
// saturation are not counted), and the coloured pixels are counted by hue family (red, green,
// orange, blue) in bands across the picture (rows of a table, stripes of a chart), so that a
// glyph's shape does not matter but where each colour sits does.
#include <QColor>
#include <QImage>
#include <QStringList>
#include <QVector>

#include <array>
#include <cmath>

namespace panelimages {

enum Hue { kRed, kGreen, kOrange, kBlue, kHues };
using Counts = std::array<int, kHues>;

inline int HueOf(const QColor& c) {
    if (c.hsvSaturationF() < 0.25 || c.valueF() < 0.25) {
        return -1;  // ground, grid and text
    }
    const int h = c.hsvHue();
    if (h < 15 || h >= 345)
        return kRed;
    if (h >= 20 && h < 55)
        return kOrange;
    if (h >= 80 && h < 165)
        return kGreen;
    if (h >= 190 && h < 260)
        return kBlue;
    return -1;
}

// Counts per band: horizontal bands of `band` px (a table's rows) or vertical ones (a chart's
// stripes).
inline QVector<Counts> Bands(const QImage& image, int band, Qt::Orientation across) {
    const QImage img = image.convertToFormat(QImage::Format_ARGB32);
    const int length = across == Qt::Horizontal ? img.height() : img.width();
    QVector<Counts> bands((length + band - 1) / band, Counts{});
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const int hue = HueOf(QColor(img.pixel(x, y)));
            if (hue >= 0) {
                ++bands[(across == Qt::Horizontal ? y : x) / band][size_t(hue)];
            }
        }
    }
    return bands;
}

// The differences beyond tolerance, one line each; empty when the pictures match.
inline QStringList Differences(const QImage& actual, const QImage& golden, int band,
                               Qt::Orientation across) {
    constexpr double kRelative = 0.12;  // of the golden band's count
    constexpr int kAbsolute = 40;       // px: anti-aliasing, coloured digits of another font
    static const char* const kNames[] = {"red", "green", "orange", "blue"};
    QStringList out;
    if (actual.size() != golden.size()) {
        return {QStringLiteral("size %1x%2, golden %3x%4")
                    .arg(actual.width())
                    .arg(actual.height())
                    .arg(golden.width())
                    .arg(golden.height())};
    }
    const QVector<Counts> a = Bands(actual, band, across);
    const QVector<Counts> g = Bands(golden, band, across);
    for (int b = 0; b < a.size(); ++b) {
        for (int h = 0; h < kHues; ++h) {
            const int want = g[b][size_t(h)];
            const int got = a[b][size_t(h)];
            if (std::abs(got - want) > kAbsolute + kRelative * want) {
                out << QStringLiteral("band %1 %2: %3 px, golden %4")
                           .arg(b)
                           .arg(kNames[h])
                           .arg(got)
                           .arg(want);
            }
        }
    }
    return out;
}

}  // namespace panelimages
