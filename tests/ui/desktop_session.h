#pragma once
// The desktop program started in a fresh folder, as the UI tests drive it.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QMainWindow>
#include <memory>
#include <string>

#include "tests/shell/temp_directory.h"
#include "tests/ui/ui_driver.h"
#include "ui/desktop_program.h"

namespace tarnovel::uitest {

// A file of the UI tests' data folder.
inline std::string Data(const char* name) {
    return std::string(TARNOVEL_UI_DATA) + "/" + name;
}

// The program started in a fresh folder: the main window shown and active.
class DesktopSession : public InTempDirectory {
  protected:
    void SetUp() override {
        InTempDirectory::SetUp();
        platform = std::make_unique<ScriptedQtPlatform>();
        program = std::make_unique<DesktopProgram>(*platform);
        program->Start();
        main = &program->mainView;
        ASSERT_TRUE(QTest::qWaitForWindowActive(main));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !program->main.LogFileName().empty(); }, 5000));
    }

    void TearDown() override {
        if (main->isVisible()) main->close();
        program.reset();
        platform.reset();
        InTempDirectory::TearDown();
    }

    // "select" on tab 0 with the piezometer table read, its commas and
    // missing code converted and both dates named as measurement columns.
    void LoadPiezometers(const std::string& file = Data("piezometers.csv")) {
        platform->fileAnswers = {file};
        platform->onModal["TfrmBUISDATA"] = [](QDialog& w) {
            Click(&w, "btbttnOKLEES");
            FindAction(&w, "Omzettenvanelkekommanaardecimalepunt1")->trigger();
            Click(&w, "btbttnMIS");
            Select(&w, "lstbxTITELS", {"14-04-2003", "01-02-2003"});
            Click(&w, "btbttnADD");
            Click(&w, "btbttnEXITSTAMBUIS");
        };
        Click(main, "btbttnFILE");
        ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    }

    // On tab 2: the field table taken over with its "deeper than" codes
    // kept as censored values and the others made missing, the defaults
    // fixed and the prediction started.
    void PredictField() {
        platform->fileAnswers = {Data("field.csv")};
        platform->onModal["TfrmMEETDATA"] = [](QDialog& w) {
            Click(&w, "btbttnOKLEES");
            Click(&w, "btbttnOKINDELING");
            auto* found = Find<QComboBox>(&w, "cmbbxFOUNDCODE");
            auto* ready = Find<QWidget>(&w, "btbttnEXITMEETDATA");
            for (int i = 0; i < 10 && !ready->isEnabled(); ++i) {
                QString code = found->currentText();
                if (code.contains('>')) Choose(&w, "cmbbxNEWCODE", code.remove(' '));
                Click(&w, "btbttnREPLACEOK");
            }
            Click(ready);
        };
        Click(main, "btbttnKOPPELMETINGEN");
        Click(main, "btbttnOKVERPLICHT");
        Click(main, "btbttnSTARTPREDICT");
    }

    std::unique_ptr<ScriptedQtPlatform> platform;
    std::unique_ptr<DesktopProgram> program;
    QMainWindow* main = nullptr;
};

}  // namespace tarnovel::uitest
