#pragma once

#include "framework/NonNullPackage.h"
#include "services/stockboard/ResponsePkgEntity_10012.h"

// The decoded 10012 record of one topic; never null.
using ResponsePkg_10012 = NonNullPackage<ResponsePkgEntity_10012>;
