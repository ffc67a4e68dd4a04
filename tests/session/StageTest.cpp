// Which command is enabled at which stage.

#include "vornel/session/Stage.h"

#include <gtest/gtest.h>

namespace {

struct SStageRow {
    EKivCommand m_eCommand;
    const char* m_szName;
    bool m_abEnabled[4]; // at stages 0..3
};

// The expected table, written out command by command.
const SStageRow kExpected[] = {
    {EKivCommand::NewMaterial, "NewMaterial", {true, true, true, true}},
    {EKivCommand::OpenFile, "OpenFile", {true, true, true, true}},
    {EKivCommand::AddFile, "AddFile", {false, true, true, true}},
    {EKivCommand::Save, "Save", {false, false, false, true}},
    {EKivCommand::SaveAs, "SaveAs", {false, false, false, true}},
    {EKivCommand::Print, "Print", {false, false, false, true}},
    {EKivCommand::PrintPreview, "PrintPreview", {false, false, false, true}},
    {EKivCommand::PrintSetup, "PrintSetup", {true, true, true, true}},
    {EKivCommand::RecentFile, "RecentFile", {true, true, true, true}},
    {EKivCommand::Exit, "Exit", {true, true, true, true}},
    {EKivCommand::ToolBar, "ToolBar", {true, true, true, true}},
    {EKivCommand::StatusBar, "StatusBar", {true, true, true, true}},
    {EKivCommand::SelectFileList, "SelectFileList", {false, false, true, true}},
    {EKivCommand::ProcessingDialog, "ProcessingDialog", {false, false, true, true}},
    {EKivCommand::Graf, "Graf", {false, false, false, true}},
    {EKivCommand::GrafGrid, "GrafGrid", {false, false, false, true}},
    {EKivCommand::Visualization3d, "Visualization3d", {false, false, false, true}},
    {EKivCommand::About, "About", {true, true, true, true}},
};

void PrintTo(const SStageRow& p, std::ostream* os) { *os << p.m_szName; }

class StageTable : public ::testing::TestWithParam<SStageRow> {};

} // namespace

TEST_P(StageTable, EnabledExactlyAtItsStages) {
    for (int nStage = 0; nStage <= 3; ++nStage)
        EXPECT_EQ(IsCommandEnabled(GetParam().m_eCommand, nStage), GetParam().m_abEnabled[nStage]) << "stage " << nStage;
}

INSTANTIATE_TEST_SUITE_P(Commands, StageTable, ::testing::ValuesIn(kExpected),
                         [](const auto& info) { return std::string(info.param.m_szName); });

TEST(StageEvents, MoveTheStage) {
    EXPECT_EQ(StageAfter(EStageEvent::NewMaterial), 1);
    EXPECT_EQ(StageAfter(EStageEvent::AddFile), 2);
    EXPECT_EQ(StageAfter(EStageEvent::OpenFile), 3);
    EXPECT_EQ(StageAfter(EStageEvent::ModelChosen), 3);
    EXPECT_EQ(StageAfter(EStageEvent::FitSucceeded), 3);
}
