#pragma once
// The About window: what the program is for, its version, and an OK button.

#include <string_view>

#include "controls/controls.h"

namespace tarnovel {

class TfrmAbout {
  public:
    static constexpr std::string_view formName = "TfrmAbout";
    static constexpr std::string_view caption = "About Tarnovel";
    static constexpr int clientWidth = 434;
    static constexpr int clientHeight = 232;
    static constexpr int helpContext = 26;

    TfrmAbout();

    Image Image1;
    ListBox ListBox1;
    Label lblVERSION;
    Button bttnOK;

    // Set by a handler that ends the modal window; the view closes it and
    // calls FormShow before the next showing.
    bool closeRequested = false;

    void forEachControl(ControlVisitor& visitor);

    void FormShow();
    void bttnOKClick();
};

}  // namespace tarnovel
