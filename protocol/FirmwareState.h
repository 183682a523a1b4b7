#pragma once
// The units' firmware image as loaded at start-up and the upgrade's keys.
#include <cstdint>

struct FirmwareState {};
