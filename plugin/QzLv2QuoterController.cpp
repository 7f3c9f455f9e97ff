#include "plugin/QzLv2QuoterController.h"

#include "plugin/QzLv2Quoter.h"

void QzLv2QuoterController::RegisterJoinMethods()
{
    if (quoter_ != nullptr)
        quoter_->RegisterJoinMethods();
}

bool QzLv2QuoterController::Resume()
{
    if (quoter_ == nullptr)
        return false;
    quoter_->Resume();
    return true;
}

void QzLv2QuoterController::Pause()
{
    if (quoter_ != nullptr)
        quoter_->Pause();
}
