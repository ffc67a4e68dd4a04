#pragma once
// What a person reads of a fit or a run, besides its numbers: the lines the batch mode
// prints on its error stream and the window shows in its Messages pane, status bar and
// warning box. Both take them from here, so they say the same things in the same order.

#include "vornel/document/FitResults.h"

#include <string>
#include <vector>

enum class ERunLine {
    Engine,        // a line of the engine or the kernels (leading blanks dropped)
    Refusal,       // why the fit was refused
    Refinement,    // what the refinement or the workbench's own fit did
    OutputFailed,  // "<file>: <why>" of an output that could not be written
    OutputNote,    // "<file>: <sentence>" of an output written with something to know, or
                   // skipped with the reason (nothing to write)
};

struct CRunLine {
    ERunLine m_eKind = ERunLine::Engine;
    std::string m_strText;
};

// The lines of one fit, in this order: the engine's lines, the refusal, what the refinement
// did; then, for a run, one line per output that failed, was skipped or carries a note.
std::vector<CRunLine> RunLines(const CFitOutcome& fit);
std::vector<CRunLine> RunLines(const CRunResult& run);

// The lines of one candidate of the Optimization: its engine's lines, its refusal, and what
// its refinement did when it kept the engine's coefficients (a refined candidate needs no
// word: its RMS says it).
std::vector<CRunLine> CandidateLines(const CCandidateReport& candidate);
