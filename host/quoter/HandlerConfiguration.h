#pragma once

#include <QSet>
#include <QString>

// The client's part of a data source handler's configuration: the stock codes the handler must
// leave alone (empty unless the client fills it).
// Threads: filled before the handler serves, read-only afterwards.
class HandlerConfiguration {
public:
    virtual ~HandlerConfiguration() = default;

    const QSet<QString>& GetExcludedCodeSet() const { return excluded_codes_; }
    void SetExcludedCodeSet(const QSet<QString>& codes) { excluded_codes_ = codes; }
    bool IsExcluded(const QString& code) const { return excluded_codes_.contains(code); }

private:
    QSet<QString> excluded_codes_;
};
