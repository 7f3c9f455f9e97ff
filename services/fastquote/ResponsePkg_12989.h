#pragma once

#include "framework/NonNullPackage.h"
#include "host/quoter/ResponsePkgEntity_12989.h"

// The decoded fast-quote answer of one stock; never null. Shared by every subscriber once
// published.
using ResponsePkg_12989 = NonNullPackage<ResponsePkgEntity_12989>;
