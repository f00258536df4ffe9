#pragma once
// The engine's side of the diagnostics window: the dump of one part buffer and of the MIDI input
// buffer, and the two test preloads that fill every seq with a known arpeggio. GUI thread; the
// dumps write only while diagnostics are on.
#include <cstdint>

namespace vel {

void DumpMidiInBuffer();
// filtered: only events the trace switches would trace; summaryOnly: no event list.
void DspSeqs(int32_t part, int32_t seq, bool filtered, bool summaryOnly);
// Fills every seq in use with two bars (even seqs) or one bar (odd seqs) of notes; variant A an
// arpeggio rising by an octave per seq, B two patterns two octaves up.
void LoadTestSeqs(bool variantA);

}  // namespace vel
