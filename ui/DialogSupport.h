#pragma once
// What the dialogs share: their message boxes, which a test can record
// instead of blocking on them, and the conversion of typed numbers.
#include <QString>
#include <functional>
#include <optional>
#include <string>

class QWidget;

using MessageBoxFn = std::function<void(const std::string&)>;

// A modal information box over parent.
void ShowInfoBox(QWidget* parent, const std::string& text);

// The typed number (decimal, or hexadecimal after "0x" or "$"); when it is
// none, shows "'%s' is not a valid integer value" through box.
std::optional<int32_t> TypedInteger(const QString& text, const MessageBoxFn& box);

// The typed text as the chip stores it: the legacy code page's bytes. When a
// character has none, shows which through box and gives nothing.
std::optional<std::string> TypedLegacyText(const QString& text, const MessageBoxFn& box);
