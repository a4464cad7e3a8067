// The role stage of the piezometer window: role boxes, title lists, sd
// conversions and "Ready!".

#include "tables/buisdata_form.h"

namespace tarnovel {

void TfrmBUISDATA::vulboxen() {}

}  // namespace tarnovel
