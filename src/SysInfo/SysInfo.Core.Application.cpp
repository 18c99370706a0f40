#include "SysInfo/SysInfo.Core.Application.h"
