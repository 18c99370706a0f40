#include "SysInfo/SysInfo.Core.VeskaCurrent.h"
