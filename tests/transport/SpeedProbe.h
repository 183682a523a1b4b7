#pragma once
// Both speeds of a terminal, through the kernel's second termios interface,
// kept apart from <termios.h> whose struct termios clashes with the kernel's.
#include <cstdint>

// Leaves the terminal sending at Output and receiving at Input (bits per
// second, each as a number); false when the driver refuses.
bool SetSplitSpeed(int Fd, uint32_t Output, uint32_t Input);
// The speed the terminal receives at; 0 when it cannot be read.
uint32_t InputSpeed(int Fd);
