#pragma once

namespace quorvel {

// Dispatches every event waiting for the calling thread - window-system input (touch, mouse,
// keys), posted events and timers - until none is left. Handlers run to completion here.
void Pump();

// Pump, then give the thread up for about a millisecond.
void Idle();

}  // namespace quorvel
