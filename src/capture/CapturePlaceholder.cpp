// Replaced by the capture window's sources.
