#include "SysInfo/SysInfo.Core.CommonUtils.h"
