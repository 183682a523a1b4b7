#include "ui/AboutForm.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutForm");
  setWindowTitle("About");
  setFixedSize(330, 200);
  ProgramIcon = new QLabel(this);
  ProgramIcon->setObjectName("ProgramIcon");
  ProgramIcon->setGeometry(16, 16, 48, 48);
  ProgramIcon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48));
  ProductName = new QLabel(QString::fromUtf8("KorvanQZ-DizeD SPI Flash/EEP  编程器"), this);
  ProductName->setObjectName("ProductName");
  ProductName->setGeometry(80, 20, 240, 20);
  Version = new QLabel("Version V06", this);
  Version->setObjectName("Version");
  Version->setGeometry(80, 48, 240, 20);
  OKButton = new QPushButton("OK", this);
  OKButton->setObjectName("OKButton");
  OKButton->setGeometry(120, 150, 90, 28);
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  // Centred on the desktop, not on the main window.
  if (QScreen* screen = QApplication::primaryScreen()) move(screen->availableGeometry().center() - rect().center());
}
