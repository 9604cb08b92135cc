#pragma once
// Figures a user needs beside a listed pair that the window does not show:
// the propagation segment and the oscillator tolerance the pair allows.
// Plain functions of the counted register fields.

namespace kelvane::cli {

// The propagation segment in time quanta: the propagation delay (ns) divided
// by the time quantum (ns), rounded up; 1 while the standard values are in
// force (the delay is then the quantum itself). Never negative; a delay that
// cannot be expressed (infinite or not a number) gives 0 when it is not
// positive and 99 quanta otherwise, more than any segment holds.
int PropagationSegment(bool standardValues, double propDelayNs, double tqNs);

// Largest oscillator tolerance df (a fraction, 0.001 is 0.1 %) a pair allows
// under both conditions of ISO 11898-1:
//   df <= SJW / (20 x NBT)
//   df <= min(PS1, PS2) / (2 x (13 x NBT - PS2))
// with PS2 = TSEG2, PS1 = TSEG1 - PROP, NBT = 1 + TSEG1 + TSEG2; 0 when PS1 < 1.
double OscillatorToleranceLimit(int sjw, int tseg1, int tseg2, int propSegment);

// Whether a pair still synchronises when its rate is off the wanted one by
// rateError (a fraction) and the oscillator by oscillatorPpm either way: the
// two add up to how far a node's bit time may stray, which must stay within
// the tolerance the pair allows (OscillatorToleranceLimit). Equality passes.
bool WithinTolerance(double rateError, double oscillatorPpm, double allowed);

}  // namespace kelvane::cli
