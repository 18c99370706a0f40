#include "SysInfo/SysInfo.Core.VeskaDBase.h"
