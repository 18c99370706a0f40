#include "Lib/Common/Common.Net.WebDAV.h"
