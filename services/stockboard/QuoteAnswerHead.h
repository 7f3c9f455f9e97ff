#pragma once

#include "host/core/CMemArchive.h"

// The head shared by the 10001, 10002 and 10012 answers: 14 bytes the plug-in does not interpret,
// then the u16 record count. Returns the count; throws CMemArchiveError on a short body.
inline quint16 ReadQuoteAnswerHead(CMemArchive& a) {
    a.Skip(4);
    a.Skip(4);
    a.Skip(2);
    a.Skip(2);
    a.Skip(2);
    return a.Read<quint16>();
}
