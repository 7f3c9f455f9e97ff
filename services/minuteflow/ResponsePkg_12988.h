#pragma once

#include "services/minuteflow/ResponsePkgEntity_12988.h"
#include "services/stockboard/NonNullPackage.h"

using ResponsePkg_12988 = NonNullPackage<ResponsePkgEntity_12988>;
