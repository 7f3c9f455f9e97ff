#include "host/quoter/RemoteApiCall.h"

RemoteApiCall::~RemoteApiCall() = default;
