#pragma once
// The arithmetic of the benches' figures.
#include <string>
#include <vector>

// CPU seconds of this process so far, all threads.
double CpuSeconds();

// The middle value (the mean of the two middle ones for an even count); 0
// for none.
double Median(std::vector<double> values);

// One figure as a "name value" line.
void PrintFigure(const std::string& name, double value);
