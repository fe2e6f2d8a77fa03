// The on-screen display window.
#pragma once
#include "gui/Form.h"

class TFlashOsdForm : public gui::Form {
protected:
    void CreateParams(gui::CreateParams& params) override;
};
