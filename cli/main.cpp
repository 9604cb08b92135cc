// kelvane-calc: the window's calculation from the command line.

#include "calc_options.h"
#include "calc_runner.h"
#include "plan_command.h"
#include "transceiver_command.h"

#include <csignal>
#include <unistd.h>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  // A file-size limit must fail a write with an error, not kill us half way through it.
  std::signal(SIGXFSZ, SIG_IGN);
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> arguments(argv, argv + argc);
  if (kelvane::cli::IsTransceiverCommand(arguments))
    return kelvane::cli::RunTransceiverCommand(arguments, std::cout, std::cerr);
  if (kelvane::cli::IsPlanCommand(arguments)) {
    const int planned = kelvane::cli::RunPlanCommand(arguments, std::cout, std::cerr, isatty(STDOUT_FILENO) == 1);
    std::cout.flush();
    if (!std::cout) {
      std::cerr << "kelvane-calc: cannot write to standard output\n";
      return kelvane::cli::kExitFile;
    }
    return planned;
  }

  using kelvane::cli::ParseOutcome;
  const ParseOutcome parsed = kelvane::cli::ParseCalcArguments(arguments);
  int status = kelvane::cli::kExitListed;
  switch (parsed.action) {
    case ParseOutcome::Action::Error:
      std::cerr << "kelvane-calc: " << parsed.text << '\n';
      return kelvane::cli::kExitUsage;
    case ParseOutcome::Action::Help:
    case ParseOutcome::Action::Version:
      std::cout << parsed.text << (parsed.text.ends_with('\n') ? "" : "\n");
      break;
    case ParseOutcome::Action::Run: {
      kelvane::cli::CalcOptions options = parsed.options;
      options.terminal = isatty(STDOUT_FILENO) == 1;
      status = kelvane::cli::RunCalc(options, std::cout, std::cerr);
      break;
    }
      break;
  }
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "kelvane-calc: cannot write to standard output\n";
    return kelvane::cli::kExitFile;
  }
  return status;
}
