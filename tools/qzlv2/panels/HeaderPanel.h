#pragma once

#include "tools/qzlv2/panels/Panel.h"
#include "tools/views/QuoteView.h"

// The top line of the watch screen: code, name, listing board, last price with its change from
// the previous close, the fast-ten flag and the time of day; at a width it does not fit, the
// listing and then the flag are left out.
// Threads: main thread only.
namespace qzlv2 {

using qzviews::Quote;

class HeaderPanel : public ViewPanel<qzviews::QuoteView> {
public:
    QString Name() const override { return QStringLiteral("quote"); }
    int MinLines(int) const override { return 1; }
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;

    void SetQuote(const Quote& quote) { view_.SetQuote(quote); }
};

}  // namespace qzlv2
