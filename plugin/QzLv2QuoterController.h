#pragma once

#include "host/quoter/IQuoteDataSourceController.h"

class QzLv2Quoter;

// The controller the quoter registers with the client under its handler name. It forwards to
// the quoter, which it does not own; with a null quoter every operation does nothing and Resume
// returns false.
// Threads: called on client threads; the quoter's mutex guards what the operations touch.
class QzLv2QuoterController : public IQuoteDataSourceController {
public:
    explicit QzLv2QuoterController(QzLv2Quoter* quoter) : quoter_(quoter) {}

    void RegisterJoinMethods() override;
    void NoOperation() override {}
    bool Resume() override;
    void Pause() override;
    bool IsAvailable() override { return true; }

private:
    QzLv2Quoter* quoter_;
};
