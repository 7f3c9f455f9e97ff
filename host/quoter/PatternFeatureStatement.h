#pragma once

#include <QRegularExpression>
#include <QString>

// A feature of stocks (e.g. "LV2": has Level-2 data) stated as a code pattern: a stock code has
// the feature when the whole code matches the pattern. A statement with an empty pattern
// supports no code.
// Threads: a plain value (QRegularExpression is safe to match from several threads).
class PatternFeatureStatement {
public:
    PatternFeatureStatement() = default;
    PatternFeatureStatement(int id, const QString& text, const QString& codePattern);

    int GetId() const { return id_; }
    const QString& GetText() const { return text_; }
    QString GetPattern() const { return pattern_text_; }
    bool IsValid() const { return !pattern_text_.isEmpty() && pattern_.isValid(); }

    bool Support(const QString& code) const;

private:
    int id_ = 0;
    QString text_;
    QString pattern_text_;
    QRegularExpression pattern_;
};
