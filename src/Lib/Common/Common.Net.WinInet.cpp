#include "Lib/Common/Common.Net.WinInet.h"
