#include "host/quoter/PatternFeatureStatement.h"

PatternFeatureStatement::PatternFeatureStatement(int id, const QString& text,
                                                 const QString& codePattern)
    : id_(id),
      text_(text),
      pattern_text_(codePattern),
      pattern_(QRegularExpression::anchoredPattern(codePattern)) {}

bool PatternFeatureStatement::Support(const QString& code) const {
    return IsValid() && pattern_.match(code).hasMatch();
}
