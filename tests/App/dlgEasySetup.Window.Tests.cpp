#include <gtest/gtest.h>

#include "App/dlgEasySetup.Window.h"
