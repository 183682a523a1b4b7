#pragma once
// Shows a port list read by files/Settings in the window's port combo box.
#include <string>
#include <vector>

#include "files/Settings.h"

class QComboBox;

// Replaces the items with the list's entries; the shown text changes only
// when the list sets one.
void ShowPortList(QComboBox* box, const PortList& list);

// The items of the box, in order.
std::vector<std::string> PortEntries(const QComboBox* box);
