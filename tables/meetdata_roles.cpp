// The role stage of the field window: role boxes, coded measurements and
// "Ready!".

#include "tables/meetdata_form.h"

namespace tarnovel {

void TfrmMEETDATA::vulboxen() {}

}  // namespace tarnovel
