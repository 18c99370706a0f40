#include "Lib/Common/Common.OptionsStorage.h"
