// The serial port component (filled in with the port layer).
