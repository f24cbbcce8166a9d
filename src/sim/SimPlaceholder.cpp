// Replaced by the simulator sources.
