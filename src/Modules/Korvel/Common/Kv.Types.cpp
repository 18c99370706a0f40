#include "Modules/Korvel/Common/Kv.Types.h"
