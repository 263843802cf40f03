// Replaced by the database window's sources.
