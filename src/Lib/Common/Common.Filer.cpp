#include "Lib/Common/Common.Filer.h"
