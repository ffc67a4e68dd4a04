#pragma once
// Where the engine's and the kernels' lines go: the message sink that the host sets with
// TarnfitSetMessageSink (tarnfit/tarnfit.h), or the C stdio standard output when none is
// set. Internal to libtarnfit.so.
//
// The sink is process-wide and not locked: it is set and used from the one thread that
// calls the engine.

namespace tarnfit {

// Sends szText to the sink, one call per line: the text is cut at each '\n' (a final line
// break adds no empty line). Without a sink each line goes to standard output with a line
// break, flushed. Never throws and never allocates.
void SendLines(char* szText) noexcept;

// The same for a text that must not be modified; a text longer than 4095 characters is
// cut there.
void SendLines(const char* szText) noexcept;

} // namespace tarnfit
