#include "sim/server/SimulatedQuoteServer.h"

#include "host/access/ServerBackend.h"
#include "sim/market/SimulatedMarketBackend.h"

SimulatedQuoteServer::SimulatedQuoteServer() : SimulatedQuoteServer(Options()) {}

SimulatedQuoteServer::SimulatedQuoteServer(const Options& options)
    : backend_(std::make_shared<SimulatedMarketBackend>(options)) {
    SimulatedMarketBackend::InstallForBothServices(backend_);
}

SimulatedQuoteServer::~SimulatedQuoteServer() {
    for (const char* service :
         {SimulatedMarketBackend::kFastQuoteService, SimulatedMarketBackend::kMainService}) {
        const QString name = QString::fromLatin1(service);
        if (ServerBackendRegistry::Find(name) == backend_) {
            ServerBackendRegistry::Install(name, nullptr);
        }
    }
}

void SimulatedQuoteServer::Step() {
    backend_->Step();
}

void SimulatedQuoteServer::DropLink() {
    backend_->DropLink();
}

void SimulatedQuoteServer::RestoreLink() {
    backend_->RestoreLink();
}

bool SimulatedQuoteServer::IsLinkUp() const {
    return backend_->IsLinkUp();
}

int SimulatedQuoteServer::RequestCount(int funcId) const {
    return backend_->RequestCount(funcId);
}

int SimulatedQuoteServer::AnswerCount(int funcId) const {
    return backend_->AnswerCount(funcId);
}
