#pragma once
// A server backend that keeps the links of the backend it wraps, so that a test can wait until
// everything the market sent has been delivered (Settle) before it looks or steps again.
#include <QList>
#include <QMutex>
#include <QStringList>

#include <memory>

#include "host/access/ServerBackend.h"
#include "sim/market/SimulatedMarketBackend.h"

namespace tooltest {

class SettlingBackend : public IServerBackend {
public:
    explicit SettlingBackend(std::shared_ptr<IServerBackend> inner) : inner_(std::move(inner)) {}
    void Attach(IServerLink* link) override {
        {
            QMutexLocker lock(&mutex_);
            links_.append(link);
        }
        inner_->Attach(link);
    }
    void Detach(IServerLink* link) override {
        inner_->Detach(link);
        QMutexLocker lock(&mutex_);
        links_.removeAll(link);
    }
    void OnRequest(IServerLink* link, const ServerRequest& r) override {
        inner_->OnRequest(link, r);
    }
    void Settle() {
        QMutexLocker lock(&mutex_);
        for (IServerLink* link : links_) {
            link->WaitDelivered();
        }
    }

private:
    const std::shared_ptr<IServerBackend> inner_;
    QMutex mutex_;
    QList<IServerLink*> links_;
};

// The simulated market without timers of its own (the test steps it), behind a SettlingBackend
// installed as the quote server of both services.
struct SettledMarket {
    std::shared_ptr<SimulatedMarketBackend> market;
    std::shared_ptr<SettlingBackend> settling;
    QStringList services;

    static SettledMarket Install() {
        SimulatedMarketBackend::Options options;
        options.timers = false;
        SettledMarket m;
        m.market = std::make_shared<SimulatedMarketBackend>(options);
        m.settling = std::make_shared<SettlingBackend>(m.market);
        m.services = QStringList{SimulatedMarketBackend::kMainService,
                                 SimulatedMarketBackend::kFastQuoteService};
        for (const QString& service : m.services) {
            ServerBackendRegistry::Install(service, m.settling);
        }
        return m;
    }
};

}  // namespace tooltest
