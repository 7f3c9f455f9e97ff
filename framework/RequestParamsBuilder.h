#pragma once

#include <QString>
#include <QStringList>

#include "host/access/AccessTypes.h"

// Builds a request's (type tag, value) list in the order the server expects, so that no call
// spells a tag by hand. Integers travel as int QVariants whatever their tag; "Strings" as a
// QStringList. Plain value type.
class RequestParamsBuilder {
public:
    RequestParamsBuilder& Int08(int value) { return Add("Int08", value); }
    RequestParamsBuilder& Int08U(int value) { return Add("Int08U", value); }
    RequestParamsBuilder& Int16(int value) { return Add("Int16", value); }
    RequestParamsBuilder& Int16U(int value) { return Add("Int16U", value); }
    RequestParamsBuilder& Int32(int value) { return Add("Int32", value); }
    RequestParamsBuilder& Int32U(int value) { return Add("Int32U", value); }
    RequestParamsBuilder& Int64(qint64 value) { return Add("Int64", value); }
    RequestParamsBuilder& Int64U(qint64 value) { return Add("Int64U", value); }
    RequestParamsBuilder& String(const QString& value) { return Add("String", value); }
    RequestParamsBuilder& Strings(const QStringList& value) { return Add("Strings", value); }
    RequestParamsBuilder& Bytes(const QByteArray& value) { return Add("Bytes", value); }

    const RequestParams& Params() const { return params_; }
    operator const RequestParams&() const { return params_; }

private:
    RequestParamsBuilder& Add(const char* tag, const QVariant& value) {
        params_.append(qMakePair(QString::fromLatin1(tag), value));
        return *this;
    }

    RequestParams params_;
};
