#pragma once

#include "tools/qzlv2/panels/Panel.h"
#include "tools/views/SignalQuery.h"

// A panel that shows the joined rows of one node asked for through a SignalQuery (the view's);
// subclasses draw the rows.
// Threads: main thread only.
namespace qzlv2 {

using qzviews::SignalQuery;

class SignalQueryPanel : public ViewPanel<qzviews::SignalRowsView> {
protected:
    SignalQueryPanel(SignalQuery query, const QStringList& keys, const QString& name)
        : ViewPanel(std::move(query), keys, name) {}

    const QList<nscell::DataRow>& rows() const { return view_.rows(); }
};

}  // namespace qzlv2
