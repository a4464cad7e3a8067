#pragma once
#include "controls/platform.h"
