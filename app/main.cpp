#include <clocale>

#include "ui/Application.h"

int main(int argc, char** argv) {
  // Dates and times in the log follow the machine's locale.
  std::setlocale(LC_ALL, "");
  return RunApplication(argc, argv);
}
