#include "shell/about_form.h"

#include <string>

#include "tarnovel/version.h"

namespace tarnovel {

TfrmAbout::TfrmAbout() {
    // Borderless and disabled in the view: the list is read as text, not used.
    ListBox1.items = {"A program to:", "1. Fit the relation between measured water tables",
                      "  at a date and the MxW (in piezometers);",
                      "2. Apply this relation to locations with  ",
                      "   measured water tables at these dates."};
    ListBox1.enabled = false;
    lblVERSION.caption = std::string("Version ") + kVersion;
    bttnOK.caption = "OK";
}

void TfrmAbout::forEachControl(ControlVisitor& visitor) {
    visitor.Visit("Image1", Image1);
    visitor.Visit("ListBox1", ListBox1);
    visitor.Visit("lblVERSION", lblVERSION);
    visitor.Visit("bttnOK", bttnOK);
}

void TfrmAbout::FormShow() {
    closeRequested = false;
}

void TfrmAbout::bttnOKClick() {
    closeRequested = true;
}

}  // namespace tarnovel
