#include "calc_options.h"

#include <QStringList>

#include <iostream>

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const auto outcome = kelvane::cli::ParseCalcArguments(arguments);
  std::cout << outcome.text << '\n';
  return 0;
}
