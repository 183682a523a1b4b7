// Data files (filled in with the readers).
