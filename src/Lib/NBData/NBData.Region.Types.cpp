#include "Lib/NBData/NBData.Region.Types.h"
