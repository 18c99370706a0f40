#include <gtest/gtest.h>

#include "Components/FWOpenDirectory.h"
