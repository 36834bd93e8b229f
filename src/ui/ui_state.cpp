#include "ui/ui_state.h"

namespace kyv {

ControlEnabling enablingFor(UiState state, bool r453OrR243, bool commandLineMode)
{
    ControlEnabling e;
    switch (state) {
    case UiState::Initial:
        e.model = true;
        e.selectAndExit = true;
        e.makeFwFolder = false;
        break;
    case UiState::ModelChosen:
        e.selectAndExit = true;
        e.jobSettings = true;
        e.reapplyInterfaceRules = true;
        break;
    case UiState::Busy:
        if (r453OrR243)
            e.makeFwFolder = false;
        break;
    case UiState::Done:
        e.fileControls = true;
        e.selectAndExit = true;
        e.makeFwFolder = r453OrR243;
        e.jobSettings = true;
        e.reapplyInterfaceRules = true;
        break;
    case UiState::ProgressClosed:
        e.fileControls = true;
        e.selectAndExit = true;
        if (r453OrR243)
            e.makeFwFolder = true;
        e.jobSettings = true;
        e.reapplyInterfaceRules = true;
        break;
    }
    if (commandLineMode) {
        bool reapply = e.reapplyInterfaceRules;
        e = ControlEnabling{};
        e.makeFwFolder = false;
        e.reapplyInterfaceRules = reapply;
    }
    return e;
}

} // namespace kyv
