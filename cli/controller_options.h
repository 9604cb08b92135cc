#pragma once
// The options of a run for any controller, checked and stored in CalcOptions.

#include "calc_options.h"

#include <string>
#include <vector>

namespace kelvane::cli {

struct ControllerFlags {
  bool controllerGiven = false;
  std::string controller;
  bool fileGiven = false;
  std::string file;
  bool clockGiven = false;
  std::string clockHz;
  bool all = false;
  bool list = false;
  bool decodeRegisters = false;
  bool oscGiven = false;
  bool ipJsonGiven = false;
  std::string ipJson;
};

// Stores the flags and the positional words (BAUD, NAME=VALUE) in o; empty
// when they go together, else the one-line reason.
std::string ReadControllerOptions(const ControllerFlags& flags,
                                  const std::vector<std::string>& positional, CalcOptions& o);

}  // namespace kelvane::cli
