#include "Lib/Common/Common.Net.h"
