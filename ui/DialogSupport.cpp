#include "ui/DialogSupport.h"

#include <QMessageBox>

#include "protocol/IntegerText.h"
#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/LegacyText.h"

void ShowInfoBox(QWidget* parent, const std::string& text) {
  QMessageBox::information(parent, QString(), QString::fromStdString(text));
}

std::optional<int32_t> TypedInteger(const QString& text, const MessageBoxFn& box) {
  std::string utf8 = text.toStdString();
  auto value = ParseIntegerText(utf8);
  if (!value) box(msg::Fmt("'%s' is not a valid integer value", utf8.c_str()));
  return value;
}

std::optional<std::string> TypedLegacyText(const QString& text, const MessageBoxFn& box) {
  const std::string utf8 = text.toStdString();
  if (IsLegacyEncodable(utf8)) return ToLegacyText(utf8);
  // Name the first character without a code rather than replace it silently.
  for (char32_t c : text.toUcs4()) {
    const std::string one = QString::fromUcs4(&c, 1).toStdString();
    if (!IsLegacyEncodable(one)) {
      box(msg::FmtV(msg::Tr("The character \"%s\" has no GBK code and cannot be written!"), one.c_str()));
      break;
    }
  }
  return std::nullopt;
}
