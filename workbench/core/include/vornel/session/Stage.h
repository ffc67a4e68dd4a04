#pragma once
// Which workbench command is enabled at which stage (g_nStage), and how the stage moves.
//
// Stages: 0 start-up, 1 a new material exists, 2 curves were added, 3 a model was chosen or
// fitted or a material file was opened.

enum class EKivCommand {
    NewMaterial,
    OpenFile,
    AddFile,
    Save,
    SaveAs,
    Print,
    PrintPreview,
    PrintSetup,
    RecentFile,
    Exit,
    ToolBar,
    StatusBar,
    SelectFileList,
    ProcessingDialog,
    Graf,
    GrafGrid,
    Visualization3d,
    About,
};

// What moves the stage.
enum class EStageEvent {
    NewMaterial,    // -> 1
    AddFile,        // -> 2, from any stage
    OpenFile,       // -> 3
    ModelChosen,    // -> 3
    FitSucceeded,   // -> 3
};

// True when the command is enabled at nStage.
bool IsCommandEnabled(EKivCommand eCommand, int nStage);

// The stage after the event.
int StageAfter(EStageEvent eEvent);

// How far the user has come (0..3); the application owns it, the commands of
// session/Operations.h set it and the window enables its commands by it.
extern int g_nStage;
