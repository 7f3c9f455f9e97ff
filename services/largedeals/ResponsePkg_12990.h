#pragma once

#include "services/largedeals/ResponsePkgEntity_12990.h"
#include "framework/NonNullPackage.h"

// The decoded large-deal answer of one topic; never null. Shared by every subscriber once
// published.
using ResponsePkg_12990 = NonNullPackage<ResponsePkgEntity_12990>;
