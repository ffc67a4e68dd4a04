#include "vornel/session/Stage.h"

int g_nStage = 0;

namespace {

struct SCommandRule {
    EKivCommand m_eCommand;
    int m_nMinStage; // enabled when the stage is at least this
};

// One row per command; commands that are always available have stage 0.
constexpr SCommandRule kRules[] = {
    {EKivCommand::NewMaterial, 0},      {EKivCommand::OpenFile, 0},
    {EKivCommand::AddFile, 1},          {EKivCommand::Save, 3},
    {EKivCommand::SaveAs, 3},           {EKivCommand::Print, 3},
    {EKivCommand::PrintPreview, 3},     {EKivCommand::PrintSetup, 0},
    {EKivCommand::RecentFile, 0},       {EKivCommand::Exit, 0},
    {EKivCommand::ToolBar, 0},          {EKivCommand::StatusBar, 0},
    {EKivCommand::SelectFileList, 2},   {EKivCommand::ProcessingDialog, 2},
    {EKivCommand::Graf, 3},             {EKivCommand::GrafGrid, 3},
    {EKivCommand::Visualization3d, 3},  {EKivCommand::About, 0},
};

} // namespace

bool IsCommandEnabled(EKivCommand eCommand, int nStage) {
    for (const SCommandRule& rule : kRules)
        if (rule.m_eCommand == eCommand)
            return nStage >= rule.m_nMinStage;
    return false;
}

int StageAfter(EStageEvent eEvent) {
    switch (eEvent) {
    case EStageEvent::NewMaterial:
        return 1;
    case EStageEvent::AddFile:
        return 2;
    case EStageEvent::OpenFile:
    case EStageEvent::ModelChosen:
    case EStageEvent::FitSucceeded:
        return 3;
    }
    return 0;
}
