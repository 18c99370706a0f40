#include "SysInfo/SysInfo.Core.Veska6.h"
