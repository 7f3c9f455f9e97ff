#include "framework/DecodeResult.h"

#include "host/core/CMemArchiveError.h"

QString DescribeShortBody(const char* function, const CMemArchiveError& error) {
    return QStringLiteral("%1: read of %2 bytes at offset %3 exceeds body length %4")
        .arg(QLatin1String(function))
        .arg(error.wanted())
        .arg(error.offset())
        .arg(error.size());
}
