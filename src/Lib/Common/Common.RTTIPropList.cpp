#include "Lib/Common/Common.RTTIPropList.h"
