// The chip catalogue (filled in with the chip table).
