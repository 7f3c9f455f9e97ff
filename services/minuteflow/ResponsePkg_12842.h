#pragma once

#include "services/minuteflow/ResponsePkgEntity_12842.h"
#include "services/stockboard/NonNullPackage.h"

using ResponsePkg_12842 = NonNullPackage<ResponsePkgEntity_12842>;
