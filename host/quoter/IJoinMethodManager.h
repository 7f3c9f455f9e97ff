#pragma once

#include "host/quoter/JoinMethodValue.h"

// Where data sources register the joins that merge their children's data into parents.
// Threads: implementations say.
class IJoinMethodManager {
public:
    virtual ~IJoinMethodManager() = default;
    virtual void RegisterJoinMethod(const JoinMethodValue& value) = 0;
};
