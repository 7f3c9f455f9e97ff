#pragma once

#include <QByteArray>

#include "framework/DecodeResult.h"
#include "services/capitalflow/ResponsePkg_12930.h"
#include "services/capitalflow/ResponsePkg_12932.h"
#include "services/capitalflow/ResponsePkg_12973.h"

// Decoders of the capital-flow answers. A body shorter than its layout, or a 12973 list whose
// count is over 255 or more than its bytes can hold, is rejected whole (the error names the
// function, offset and length). Stateless; any thread.
namespace capitalflow {

constexpr int kBody12930Bytes = 62;
constexpr quint16 kBoardFlowGroup = 0x1;      // 12932: the eight amounts
constexpr quint16 kAnalysisHead = 0x1;        // 12973: not kept
constexpr quint16 kAnalysisEntries = 0x2;     // 12973: the list (counted, dropped)
constexpr quint16 kAnalysisLargeIn = 0x4;     // 12973: CurrentDayLargeInCapital
constexpr quint16 kAnalysisTail = 0x8;        // 12973: not kept
constexpr quint16 kMaxAnalysisEntries = 255;  // more drops the whole answer

DecodeResult<ResponsePkgEntity_12930> DecodeStockFlowBody(const QByteArray& body);
DecodeResult<ResponsePkgEntity_12932> DecodeBoardFlowBody(const QByteArray& body);
DecodeResult<ResponsePkgEntity_12973> DecodeBoardAnalysisBody(const QByteArray& body);

}  // namespace capitalflow
