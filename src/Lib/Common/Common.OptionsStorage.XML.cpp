#include "Lib/Common/Common.OptionsStorage.XML.h"
