#include "shell/main_form.h"

namespace tarnovel {

void TfrmZelvimoMAIN::btbttnOKTABINDEX0Click() {}
void TfrmZelvimoMAIN::cmbbxPREDICTChange() {}
void TfrmZelvimoMAIN::cmbbxWEIGHTGHGChange() {}
void TfrmZelvimoMAIN::CMBBXWEIGHTGVGChange() {}
void TfrmZelvimoMAIN::cmbbxWEIGHTGLGChange() {}
void TfrmZelvimoMAIN::cmbbxSTRATAyesnoChange() {}

}  // namespace tarnovel
