#pragma once

#include <QHash>
#include <QString>

#include <string>

// The type of a scope tree node or of the remote call that serves it: either a number (the
// client's built-in scope types, e.g. 2 for stock-board rows) or a text (e.g. "l2_fast_quote",
// "10002"). A number and a text are never equal, even when the text spells the number.
// Order: every number before every text; numbers by value, texts byte-wise.
// The default value is the empty text ("no type").
//
// Threads: a plain value; copies may be used on any thread.
class ScopeTypeVariant {
public:
    ScopeTypeVariant() = default;
    ScopeTypeVariant(int value);                // NOLINT: converts, so `type == 2` reads well
    ScopeTypeVariant(const char* text);         // NOLINT
    ScopeTypeVariant(const QString& text);      // NOLINT
    ScopeTypeVariant(const std::string& text);  // NOLINT

    bool IsInt() const { return is_int_; }
    bool IsEmpty() const { return !is_int_ && text_.empty(); }
    // The number; for a text, its decimal value or 0 when it is not a number.
    int ToInt() const;
    // The text; for a number, its decimal spelling.
    std::string ToStdString() const;
    QString ToQString() const;

    bool operator==(const ScopeTypeVariant& other) const;
    bool operator!=(const ScopeTypeVariant& other) const { return !(*this == other); }
    bool operator<(const ScopeTypeVariant& other) const;

private:
    bool is_int_ = false;
    int int_ = 0;
    std::string text_;
};

uint qHash(const ScopeTypeVariant& type, uint seed = 0);
