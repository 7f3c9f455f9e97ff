#pragma once

#include <QLabel>

#include "tools/qzlv2-gui/Theme.h"
#include "tools/views/QuoteView.h"

// The snapshot header above the book: code, name and listing, the last price with its change
// and change ratio from the previous close (in the colour of the change), the day's volume and
// amount, the previous close and the fast-ten flag.
// Threads: main thread only.
namespace qzgui {

class QuoteHeader : public QLabel {
    Q_OBJECT
public:
    explicit QuoteHeader(const Theme& theme, QWidget* parent = nullptr);

    void SetQuote(const qzviews::Quote& quote);

private:
    const Theme& theme_;
};

}  // namespace qzgui
