#pragma once

#include "services/signals/ResponsePkgEntity_10015.h"
#include "framework/NonNullPackage.h"

// The decoded signal-type catalogue; never null.
using ResponsePkg_10015 = NonNullPackage<ResponsePkgEntity_10015>;
