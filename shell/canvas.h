#pragma once
#include "controls/canvas.h"
