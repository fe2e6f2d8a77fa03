// The small status indicator window in the top-right corner.
#pragma once
#include "gui/Form.h"

class TStatusForm : public gui::Form {
protected:
    void CreateParams(gui::CreateParams& params) override;
};
