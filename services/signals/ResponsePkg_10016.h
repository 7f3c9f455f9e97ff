#pragma once

#include "services/signals/ResponsePkgEntity_10016.h"
#include "framework/NonNullPackage.h"

// The decoded signals of one plate request; never null.
using ResponsePkg_10016 = NonNullPackage<ResponsePkgEntity_10016>;
