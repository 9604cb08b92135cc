#pragma once
// The nodes of a bus as kelvane-calc plan reads them: from --node texts
//   NAME=CONTROLLER@CLOCK[,ppm=N][,transceiver=NAME][,dev=IFACE]
// or from a network file (JSON):
//   {"bitrate": 500000, "data_bitrate": 2000000,          (bit/s; optional)
//    "sample_point": 87.5 | "cia", "data_sample_point": ..., (optional)
//    "bus_length_m": 40, "line_delay_ns_per_m": 5,          (optional)
//    "nodes": [{"name": "gw", "controller": "sja1000", "clock": "16MHz",
//               "ppm": 100, "transceiver": "PCA82C251", "dev": "can1"}, ...]}
// "name", "controller" and "clock" are required, the rest optional. A clock
// is what --osc takes (MHz: 16, 14.7456) or hertz with a unit (16MHz,
// 36000000Hz, 40000kHz), at the controller's clock input.

#include "ratio.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane::cli {

struct PlanNodeEntry {
  std::string name;
  std::string controller;
  std::string clockText;
  std::uint64_t clockInputHz = 0;
  double ppm = 0;
  std::string transceiver;  // empty: none, no loop delay counted
  std::string device = "can0";
};

struct PlanNetworkEntry {
  std::vector<PlanNodeEntry> nodes;
  std::optional<cantiming::Ratio> bitrate;      // bit/s
  std::optional<cantiming::Ratio> dataBitrate;
  std::optional<std::string> samplePoint;       // as typed: per cent, a fraction or "cia"
  std::optional<std::string> dataSamplePoint;
  std::optional<double> busLengthM;
  std::optional<double> lineDelayNsPerM;
};

// A clock text in hertz, exactly; empty when it is not a whole number of
// hertz from 1 Hz to 10 GHz.
std::optional<std::uint64_t> ParseClockHz(std::string_view text);

// A plain decimal number of at most 15 digits, no sign or exponent; empty otherwise.
std::optional<double> ParsePlainDecimal(std::string_view text);

// One --node text; error gets one line naming the part at fault.
std::optional<PlanNodeEntry> ParseNodeSpec(std::string_view text, std::string& error);

// A network file's text; error gets one line naming the node and the field.
bool ReadNetworkJson(std::string_view text, PlanNetworkEntry& network, std::string& error);

}  // namespace kelvane::cli
