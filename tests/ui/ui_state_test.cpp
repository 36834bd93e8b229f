#include "ui/ui_state.h"

#include <gtest/gtest.h>

namespace kyv {
namespace {

TEST(UiStateTable, MakeFwFolderFollowsTheModelAndPhase)
{
    EXPECT_EQ(enablingFor(UiState::Initial, true, false).makeFwFolder, false);
    EXPECT_EQ(enablingFor(UiState::ModelChosen, true, false).makeFwFolder, std::nullopt);
    EXPECT_EQ(enablingFor(UiState::Busy, true, false).makeFwFolder, false);
    EXPECT_EQ(enablingFor(UiState::Busy, false, false).makeFwFolder, std::nullopt);
    EXPECT_EQ(enablingFor(UiState::Done, true, false).makeFwFolder, true);
    EXPECT_EQ(enablingFor(UiState::Done, false, false).makeFwFolder, false);
    EXPECT_EQ(enablingFor(UiState::ProgressClosed, true, false).makeFwFolder, true);
    EXPECT_EQ(enablingFor(UiState::ProgressClosed, false, false).makeFwFolder, std::nullopt);
}

TEST(UiStateTable, BusyLeavesNothingThatChangesTheJob)
{
    const ControlEnabling busy = enablingFor(UiState::Busy, false, false);
    EXPECT_FALSE(busy.fileControls || busy.model || busy.selectAndExit || busy.jobSettings || busy.ip);
    EXPECT_FALSE(busy.reapplyInterfaceRules);
}

TEST(UiStateTable, CommandLineModeDisablesEverythingInEveryState)
{
    for (UiState state : {UiState::Done, UiState::Initial, UiState::ModelChosen, UiState::Busy,
                          UiState::ProgressClosed}) {
        const ControlEnabling e = enablingFor(state, true, true);
        EXPECT_FALSE(e.fileControls || e.model || e.selectAndExit || e.jobSettings || e.ip);
        EXPECT_EQ(e.makeFwFolder, false);
    }
}

} // namespace
} // namespace kyv
