#include "shell/main_form.h"

namespace tarnovel {

// Filled in by the results step.
void TfrmZelvimoMAIN::TabOneSelection() {}

// Filled in by the prediction step.
void TfrmZelvimoMAIN::TabTwoSelection() {}

}  // namespace tarnovel
