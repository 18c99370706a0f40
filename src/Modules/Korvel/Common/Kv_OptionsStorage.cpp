#include "Modules/Korvel/Common/Kv_OptionsStorage.h"
