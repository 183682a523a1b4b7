#include "ui/DialogSupport.h"

#include <QMessageBox>

#include "files/IntegerText.h"
#include "messages/Format.h"

void ShowInfoBox(QWidget* parent, const std::string& text) {
  QMessageBox::information(parent, QString(), QString::fromStdString(text));
}

std::optional<int32_t> TypedInteger(const QString& text, const MessageBoxFn& box) {
  std::string utf8 = text.toStdString();
  auto value = ParseIntegerText(utf8);
  if (!value) box(msg::Fmt("'%s' is not a valid integer value", utf8.c_str()));
  return value;
}
