#include "tools/qzlv2/Screen.h"

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

QStringList Screen::Layout(TerminalSize size) const {
    std::vector<int> lines(panels_.size(), 0);
    if (size.rows <= 0) {
        std::fill(lines.begin(), lines.end(), -1);
    } else {
        int left = size.rows;
        for (size_t i = 0; i < panels_.size(); ++i) {
            const int least = panels_[i]->MinLines(size.columns);
            if (least <= left) {
                lines[i] = least;
                left -= least;
            }
        }
        for (size_t i = 0; i < panels_.size() && left > 0; ++i) {
            if (lines[i] > 0) {
                const int more = std::min(left, panels_[i]->MaxLines(size.columns) - lines[i]);
                lines[i] += std::max(0, more);
                left -= std::max(0, more);
            }
        }
    }
    QStringList out;
    for (size_t i = 0; i < panels_.size(); ++i) {
        if (lines[i] == 0) {
            continue;
        }
        const int count = lines[i] < 0 ? kUnlimited : lines[i];
        QStringList rendered = panels_[i]->Render(size.columns, count).mid(0, count);
        if (size.columns > 0) {
            for (QString& line : rendered) {
                line = ClipToColumns(line, size.columns);
            }
        }
        out << rendered;
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
