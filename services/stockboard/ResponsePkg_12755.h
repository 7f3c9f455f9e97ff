#pragma once

#include "framework/NonNullPackage.h"
#include "services/stockboard/ResponsePkgEntity_12755.h"

// The decoded 12755 record of one topic; never null.
using ResponsePkg_12755 = NonNullPackage<ResponsePkgEntity_12755>;
