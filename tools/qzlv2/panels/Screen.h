#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QStringList>

#include <memory>
#include <vector>

#include "tools/qzlv2/panels/Panel.h"

// The watch screen: its panels in order, laid out into the terminal's rows and columns.
// Every panel gets its least lines, in order, while they fit; lines left over go to the panels in
// order up to what they can use. Panels that do not fit are left out and named on the last row,
// with the options that show them ("no room for minute_flow (--plain or --json shows them)").
// A terminal frame
// rewrites the lines in place (cursor home, each line cleared to its end, the rest of the screen
// cleared) so that nothing flickers; a plain frame is every panel in full, followed by a blank
// line.
// Threads: main thread only.
namespace qzlv2 {

struct TerminalSize {
    int columns = 0;  // 0: no limit (plain output)
    int rows = 0;
};

class Screen {
public:
    explicit Screen(std::vector<std::unique_ptr<Panel>> panels);

    const std::vector<std::unique_ptr<Panel>>& Panels() const { return panels_; }
    QStringList Missing() const;  // every panel's missing parts, in panel order

    // The lines that fit `size` (all of every panel when size.rows is 0).
    QStringList Layout(TerminalSize size) const;
    // The bytes of one frame.
    QByteArray TerminalFrame(TerminalSize size) const;
    QByteArray PlainFrame() const;
    // One JSON line: {"time": ..., <panel name>: <panel json>...}.
    QByteArray JsonLine(const QString& time) const;

private:
    std::vector<std::unique_ptr<Panel>> panels_;
};

// Display columns of `text` (CJK characters take two) and `text` cut to `columns`.
int DisplayColumns(const QString& text);
QString ClipToColumns(const QString& text, int columns);

}  // namespace qzlv2
