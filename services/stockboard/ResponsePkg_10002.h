#pragma once

#include "framework/NonNullPackage.h"
#include "services/stockboard/ResponsePkgEntity_10002.h"

// The decoded (and merged) 10001/10002 record of one topic; never null.
using ResponsePkg_10002 = NonNullPackage<ResponsePkgEntity_10002>;
