#include "Lib/Common/Common.OptionsStorage.Serializer.h"
