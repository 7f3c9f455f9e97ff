#pragma once

#include "services/minuteflow/ResponsePkgEntity_12988.h"
#include "framework/NonNullPackage.h"

using ResponsePkg_12988 = NonNullPackage<ResponsePkgEntity_12988>;
