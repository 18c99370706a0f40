#include "SysInfo/SysInfo.Core.Veska8.h"
