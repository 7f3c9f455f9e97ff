#pragma once

#include "services/minuteflow/ResponsePkgEntity_12842.h"
#include "framework/NonNullPackage.h"

using ResponsePkg_12842 = NonNullPackage<ResponsePkgEntity_12842>;
