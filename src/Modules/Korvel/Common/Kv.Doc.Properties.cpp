#include "Modules/Korvel/Common/Kv.Doc.Properties.h"
