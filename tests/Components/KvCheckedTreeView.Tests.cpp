#include <gtest/gtest.h>

#include "Components/KvCheckedTreeView.h"
