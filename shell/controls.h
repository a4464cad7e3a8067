#pragma once
#include "controls/controls.h"
