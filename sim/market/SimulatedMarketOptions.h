#pragma once

#include <QDate>
#include <QtGlobal>

// How a simulated market runs: which market (the seed), and whether it moves on its own.
struct SimulatedMarketOptions {
    static constexpr quint32 kDefaultSeed = 20240607;

    quint32 seed = kDefaultSeed;
    bool timers = true;           // false: nothing moves unless Step is called
    int tick_ms = 500;            // ms between ticks with timers on
    int snapshot_push_every = 2;  // ticks between 10001 pushes
    int connect_delay_ms = 200;   // ms from attach to access state 1, timers on
    int extra_stocks = 0;         // generated stocks traded besides the listed ones
    QDate history_today;          // last day of the K-line flow history; invalid: today
};
