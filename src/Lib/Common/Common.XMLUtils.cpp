#include "Lib/Common/Common.XMLUtils.h"
