#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

#include "services/minuteflow/FlowBatch.h"
#include "services/minuteflow/ResponsePkgEntity_12988.h"

// Decoders of the three answer bodies. Each fills its output only for a body that holds every
// field it announces; a short body or a lying count is rejected whole with one warning naming the
// function, the offset and the length, and the output is left untouched. On rejection `why` (when
// given) says where the body fell short; on success `consumed` (when given) is where it ended.
// Stateless; callable from any thread.
namespace minuteflow {

// Group mask bits shared by 12842 and 12844 (the fields behind each bit differ, see the .cpp).
inline constexpr quint8 kGroupCounts = 0x01;
inline constexpr quint8 kGroupBigVolumes = 0x02;
inline constexpr quint8 kGroup04 = 0x04;
inline constexpr quint8 kGroup08 = 0x08;
inline constexpr quint8 kGroup10 = 0x10;
inline constexpr quint8 kGroup20 = 0x20;
inline constexpr quint8 kAllGroups = 0x3F;

bool DecodeMinuteFlowBody(const QByteArray& body, FlowBatch& out,  // 12842
                          QString* why = nullptr, int* consumed = nullptr);
bool DecodeKlineFlowBody(const QByteArray& body, FlowBatch& out,  // 12844
                         QString* why = nullptr, int* consumed = nullptr);
bool DecodeMinuteIndicatorBody(const QByteArray& body,  // 12988
                               std::vector<MinuteIndicatorItem>& out, QString* why = nullptr,
                               int* consumed = nullptr);

}  // namespace minuteflow
