#include "Lib/Common/Common.Attributes.h"
