#pragma once

#include <QString>
#include <QVector>

#include "host/access/transport/ServerAddress.h"
#include "sim/market/SimStock.h"

// What the quote server at an address trades, asked over its connection as the plug-in would:
// a 10002 snapshot for each listed stock and board of the simulated market and for each stock it
// can generate (SH603001, SZ002001, ...), keeping those the server answers with their record.
// Threads: main thread with a QCoreApplication; runs the event loop until the answers are in.
namespace qzlv2 {

struct MarketContents {
    QVector<simmarket::SimStock> stocks;
    QVector<simmarket::SimBoard> boards;
};

// The embedded market's stocks and boards.
MarketContents EmbeddedMarket();

// False with *error when the server cannot be reached or has not answered within timeoutMs.
bool AskServerWhatItTrades(const transport::ServerAddress& address, int timeoutMs,
                           MarketContents* out, QString* error);

}  // namespace qzlv2
