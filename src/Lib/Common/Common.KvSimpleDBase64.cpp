#include "Lib/Common/Common.KvSimpleDBase64.h"
