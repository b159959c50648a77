#pragma once

#include "app/mandanteditor.h"

#include <functional>

namespace ordovan::test {

// For tests: the Mandant editor as a script that runs when the editor would show.
class ScriptedMandantEditor : public app::MandantEditor
{
public:
    std::function<void(app::Context &)> onEdit;
    int shown = 0;

    void edit(app::Context &ctx) override
    {
        ++shown;
        if (onEdit)
            onEdit(ctx);
    }
};

} // namespace ordovan::test
