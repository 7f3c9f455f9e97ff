#include "framework/Log.h"
