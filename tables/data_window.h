#pragma once
// Pieces that the piezometer window and the field window share.

#include <string>
#include <vector>

#include "controls/controls.h"
#include "controls/platform.h"

namespace tarnovel {

// The design of an open-file dialog and the name chosen in it last: the full
// path, empty after a cancel.
struct OpenDialog {
    std::string title;
    std::vector<FileFilter> filters;
    std::string fileName;
};

// An item of the grid's context menu: its caption and its check mark.
using MenuItem = CheckBox;

}  // namespace tarnovel
