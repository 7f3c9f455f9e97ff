#include "tools/qzlv2/panels/Screen.h"

#include <QJsonDocument>

#include <algorithm>

namespace qzlv2 {

namespace {

const char kHome[] = "\033[H";
const char kClearLineEnd[] = "\033[K";
const char kClearBelow[] = "\033[J";
constexpr int kUnlimited = 1 << 20;  // lines a plain frame gives each panel

int CharColumns(QChar c) {
    return c.unicode() >= 0x2E80 && c.unicode() < 0xFF61 ? 2 : 1;
}

}  // namespace

int DisplayColumns(const QString& text) {
    int columns = 0;
    for (QChar c : text) {
        columns += CharColumns(c);
    }
    return columns;
}

QString ClipToColumns(const QString& text, int columns) {
    int used = 0;
    for (int i = 0; i < text.size(); ++i) {
        used += CharColumns(text[i]);
        if (used > columns) {
            return text.left(i);
        }
    }
    return text;
}

Screen::Screen(std::vector<std::unique_ptr<Panel>> panels) : panels_(std::move(panels)) {}

QStringList Screen::Missing() const {
    QStringList missing;
    for (const auto& panel : panels_) {
        missing << panel->Missing();
    }
    return missing;
}

namespace {

// Lines per panel in `rows` rows: every panel its least lines, in order, while they fit; then
// the lines left over, in order, up to what each can use. `left_out` names the panels that did
// not fit.
struct Fitting {
    std::vector<int> lines;  // -1: all the panel has (no row limit)
    QStringList left_out;
};

Fitting Fit(const std::vector<std::unique_ptr<Panel>>& panels, int rows, int columns) {
    Fitting fit{std::vector<int>(panels.size(), 0), {}};
    int left = std::max(0, rows);
    for (size_t i = 0; i < panels.size(); ++i) {
        const int least = panels[i]->MinLines(columns);
        if (least <= left) {
            fit.lines[i] = least;
            left -= least;
        } else {
            fit.left_out << panels[i]->Name();
        }
    }
    for (size_t i = 0; i < panels.size() && left > 0; ++i) {
        if (fit.lines[i] > 0) {
            const int more =
                std::max(0, std::min(left, panels[i]->MaxLines(columns) - fit.lines[i]));
            fit.lines[i] += more;
            left -= more;
        }
    }
    return fit;
}

}  // namespace

QStringList Screen::Layout(TerminalSize size) const {
    Fitting fit{std::vector<int>(panels_.size(), -1), {}};
    if (size.rows > 0) {
        fit = Fit(panels_, size.rows, size.columns);
    }
    if (!fit.left_out.isEmpty()) {
        fit = Fit(panels_, size.rows - 1, size.columns);  // the last row says what is missing
    }
    QStringList out;
    for (size_t i = 0; i < panels_.size(); ++i) {
        if (fit.lines[i] == 0) {
            continue;
        }
        const int count = fit.lines[i] < 0 ? kUnlimited : fit.lines[i];
        QStringList rendered = panels_[i]->Render(size.columns, count).mid(0, count);
        if (size.columns > 0) {
            for (QString& line : rendered) {
                line = ClipToColumns(line, size.columns);
            }
        }
        out << rendered;
    }
    if (!fit.left_out.isEmpty()) {
        out << ClipToColumns(QStringLiteral("no room for %1 (--plain or --json shows them)")
                                 .arg(fit.left_out.join(QStringLiteral(", "))),
                             size.columns);
    }
    return out;
}

QByteArray Screen::TerminalFrame(TerminalSize size) const {
    QByteArray frame(kHome);
    const QStringList lines = Layout(size);
    for (int i = 0; i < lines.size(); ++i) {
        frame += lines[i].toUtf8() + kClearLineEnd;
        if (i + 1 < lines.size()) {
            frame += "\r\n";  // no newline after the last row: the screen must not scroll
        }
    }
    return frame + kClearBelow;
}

QByteArray Screen::PlainFrame() const {
    return (Layout(TerminalSize{}).join(QLatin1Char('\n')) + QStringLiteral("\n\n")).toUtf8();
}

QByteArray Screen::JsonLine(const QString& time) const {
    QJsonObject object{{QStringLiteral("time"), time}};
    for (const auto& panel : panels_) {
        object.insert(panel->Name(), panel->Json());
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

}  // namespace qzlv2
