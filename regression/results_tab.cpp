#include "shell/main_form.h"

namespace tarnovel {

void TfrmZelvimoMAIN::TabOneSelection() {}

void TfrmZelvimoMAIN::TabTwoSelection() {}

}  // namespace tarnovel
