#pragma once

#include "services/minuteflow/ResponsePkgEntity_12844.h"
#include "framework/NonNullPackage.h"

using ResponsePkg_12844 = NonNullPackage<ResponsePkgEntity_12844>;
