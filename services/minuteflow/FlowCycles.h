#pragma once

#include <QString>
#include <QStringList>

// The cycle codes the flow calls accept, with their numeric ids: "1min" for 12842; every code of
// the table ("1min" ... "year") for 12844.
// Threads: constant tables.
namespace minuteflow {

struct FlowCycle {
    const char* code;
    int id;
    bool minuteFlow;  // registered by 12842 as well
};

inline constexpr int kUnknownCycle = 0;

// The cycle's id, or kUnknownCycle when the function does not accept the code.
int CycleId(const QString& code, int functionId);
// The accepted codes of a function, in table order.
QStringList CycleCodes(int functionId);

}  // namespace minuteflow
