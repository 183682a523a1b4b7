#pragma once
// Time-stamped lines of the message log. Every log line of the program is
// formed here: "> " + time + " " + text, or "> " + time + " C<n>: " + text
// for slot index n-1.
#include <ctime>
#include <string>
#include <string_view>

struct JobState;

// The platform's long time text ("%X") and short date text ("%x") of now,
// or of the local time at `when`.
std::string LongTimeText();
std::string ShortDateText();
std::string LongTimeText(std::time_t when);
std::string ShortDateText(std::time_t when);

// "> " + time + " " + text.
std::string InfoLine(std::string_view text);
// "> " + time + " C" + (slot + 1) + ": " + text.
std::string SlotLine(std::string_view text, int slot);

// Append those lines to the job's message log.
void AddInfoLine(JobState& js, std::string_view text);
void LogSlotMessage(JobState& js, std::string_view text, int slot);
// Appends a line without time stamp (blank lines, rows of full stops).
void AddRawLine(JobState& js, std::string_view text);
