#include "plan_network.h"

#include "calc_options.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>

namespace kelvane::cli {

namespace {

using Json = nlohmann::json;

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string Quoted(std::string_view text) { return QuotedLine(text); }

// Node names head table rows and JSON members: printable, no separators of the --node text.
std::string NameProblem(const std::string& name) {
  if (name.empty()) return "is empty";
  if (name.size() > 64) return "is longer than 64 characters";
  for (const char c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == ',' || c == '=' || c == '@')
      return "may not hold control characters, ',', '=' or '@'";
  return {};
}

std::string ClockHint() { return " is not a clock (MHz as --osc takes it, e.g. 16 or 14.7456, or 16MHz, 36000000Hz)"; }

std::optional<double> ReadPpm(std::string_view text) {
  const std::optional<double> ppm = ParsePlainDecimal(text);
  if (!ppm || *ppm > 100000) return std::nullopt;
  return ppm;
}

}  // namespace

std::optional<double> ParsePlainDecimal(std::string_view text) {
  if (text.empty() || text.size() > 16 || text == ".") return std::nullopt;
  double value = 0, scale = 0;
  for (const char c : text) {
    if (c == '.') {
      if (scale != 0) return std::nullopt;
      scale = 1;
    } else if (c >= '0' && c <= '9') {
      if (scale == 0) {
        value = value * 10 + (c - '0');
      } else {
        scale /= 10;
        value += (c - '0') * scale;
      }
    } else {
      return std::nullopt;
    }
  }
  return value;
}

std::optional<std::uint64_t> ParseClockHz(std::string_view text) {
  std::size_t digits = 0;
  while (digits < text.size() && (std::isdigit(static_cast<unsigned char>(text[digits])) || text[digits] == '.'))
    ++digits;
  const std::string_view unit = text.substr(digits);
  std::uint64_t hzPerUnit = 0;
  if (unit.empty() || SameLetters(unit, "MHz")) hzPerUnit = 1000000;
  else if (SameLetters(unit, "kHz")) hzPerUnit = 1000;
  else if (SameLetters(unit, "Hz")) hzPerUnit = 1;
  else return std::nullopt;
  // The decimal reader for kbit/s gives a thousand times the number, exactly.
  const std::optional<cantiming::Ratio> thousand = cantiming::ParseKbitText(text.substr(0, digits));
  if (!thousand) return std::nullopt;
  __extension__ typedef unsigned __int128 Wide;
  const Wide scaled = static_cast<Wide>(thousand->num) * hzPerUnit;
  const Wide den = static_cast<Wide>(thousand->den) * 1000;
  if (scaled % den != 0) return std::nullopt;
  const Wide hz = scaled / den;
  if (hz == 0 || hz > 10000000000ull) return std::nullopt;
  return static_cast<std::uint64_t>(hz);
}

std::optional<PlanNodeEntry> ParseNodeSpec(std::string_view text, std::string& error) {
  PlanNodeEntry node;
  const std::size_t eq = text.find('=');
  const std::size_t at = text.find('@');
  if (eq == std::string_view::npos || at == std::string_view::npos || at < eq) {
    error = "--node " + Quoted(text) + ": give NAME=CONTROLLER@CLOCK[,ppm=N][,transceiver=NAME]";
    return std::nullopt;
  }
  node.name = std::string(text.substr(0, eq));
  if (const std::string problem = NameProblem(node.name); !problem.empty()) {
    error = "--node " + Quoted(text) + ": the name " + problem;
    return std::nullopt;
  }
  node.controller = std::string(text.substr(eq + 1, at - eq - 1));
  if (node.controller.empty()) {
    error = "--node " + Quoted(node.name) + ": no controller before '@'";
    return std::nullopt;
  }
  std::string_view rest = text.substr(at + 1);
  const std::size_t comma = rest.find(',');
  node.clockText = std::string(rest.substr(0, comma));
  const std::optional<std::uint64_t> hz = ParseClockHz(node.clockText);
  if (!hz) {
    error = "--node " + Quoted(node.name) + ": clock " + Quoted(node.clockText) + ClockHint();
    return std::nullopt;
  }
  node.clockInputHz = *hz;
  rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  bool seenPpm = false, seenTransceiver = false, seenDev = false;
  while (comma != std::string_view::npos) {
    const std::size_t next = rest.find(',');
    const std::string_view part = rest.substr(0, next);
    const std::size_t sign = part.find('=');
    const std::string_view key = part.substr(0, sign);
    const std::string_view value = sign == std::string_view::npos ? std::string_view() : part.substr(sign + 1);
    bool* seen = key == "ppm" ? &seenPpm : key == "transceiver" ? &seenTransceiver : key == "dev" ? &seenDev : nullptr;
    if (seen == nullptr || sign == std::string_view::npos) {
      error = "--node " + Quoted(node.name) + ": " + Quoted(part) + " is not ppm=N, transceiver=NAME or dev=IFACE";
      return std::nullopt;
    }
    if (*seen) {
      error = "--node " + Quoted(node.name) + ": " + std::string(key) + " given twice";
      return std::nullopt;
    }
    *seen = true;
    if (key == "ppm") {
      const std::optional<double> ppm = ReadPpm(value);
      if (!ppm) {
        error = "--node " + Quoted(node.name) + ": ppm " + Quoted(value) + " is not a number from 0 to 100000";
        return std::nullopt;
      }
      node.ppm = *ppm;
    } else if (value.empty()) {
      error = "--node " + Quoted(node.name) + ": " + std::string(key) + " is empty";
      return std::nullopt;
    } else if (key == "transceiver") {
      node.transceiver = std::string(value);
    } else {
      node.device = std::string(value);
    }
    if (next == std::string_view::npos) break;
    rest = rest.substr(next + 1);
  }
  return node;
}

bool ReadNetworkJson(std::string_view text, PlanNetworkEntry& network, std::string& error) {
  const Json doc = Json::parse(text.begin(), text.end(), nullptr, false);
  if (doc.is_discarded()) {
    error = "not JSON";
    return false;
  }
  if (!doc.is_object()) {
    error = "not an object with \"nodes\"";
    return false;
  }
  auto bitrate = [&](const char* key, std::optional<cantiming::Ratio>& into) {
    const auto it = doc.find(key);
    if (it == doc.end()) return true;
    if (!it->is_number_unsigned() || it->get<std::uint64_t>() == 0 || it->get<std::uint64_t>() > 100000000) {
      error = std::string(key) + ": give the rate in bit/s as a whole number, e.g. 500000";
      return false;
    }
    into = cantiming::Ratio{it->get<std::uint64_t>(), 1};
    return true;
  };
  auto samplePoint = [&](const char* key, std::optional<std::string>& into) {
    const auto it = doc.find(key);
    if (it == doc.end()) return true;
    if (it->is_string()) {
      into = it->get<std::string>();
    } else if (it->is_number()) {
      into = it->dump();
    } else {
      error = std::string(key) + ": give a per cent (87.5) or \"cia\"";
      return false;
    }
    return true;
  };
  auto metres = [&](const char* key, std::optional<double>& into) {
    const auto it = doc.find(key);
    if (it == doc.end()) return true;
    if (!it->is_number() || it->get<double>() < 0 || it->get<double>() > 1e6) {
      error = std::string(key) + ": give a number from 0 to 1000000";
      return false;
    }
    into = it->get<double>();
    return true;
  };
  for (const auto& [key, value] : doc.items()) {
    static const char* const kKnown[] = {"bitrate",      "data_bitrate",        "sample_point", "data_sample_point",
                                         "bus_length_m", "line_delay_ns_per_m", "nodes"};
    if (std::find_if(std::begin(kKnown), std::end(kKnown), [&](const char* k) { return key == k; }) ==
        std::end(kKnown)) {
      error = Quoted(key) + " is not a field of a network (bitrate, data_bitrate, sample_point, "
              "data_sample_point, bus_length_m, line_delay_ns_per_m, nodes)";
      return false;
    }
    (void)value;
  }
  if (!bitrate("bitrate", network.bitrate) || !bitrate("data_bitrate", network.dataBitrate) ||
      !samplePoint("sample_point", network.samplePoint) ||
      !samplePoint("data_sample_point", network.dataSamplePoint) ||
      !metres("bus_length_m", network.busLengthM) || !metres("line_delay_ns_per_m", network.lineDelayNsPerM))
    return false;
  const auto nodes = doc.find("nodes");
  if (nodes == doc.end() || !nodes->is_array() || nodes->empty()) {
    error = "nodes: give an array of one node or more";
    return false;
  }
  for (std::size_t i = 0; i < nodes->size(); ++i) {
    const Json& n = (*nodes)[i];
    std::string where = "node " + std::to_string(i + 1);
    auto fail = [&](const std::string& field, const std::string& why) {
      error = where + ": " + field + ": " + why;
      return false;
    };
    if (!n.is_object()) return fail("node", "not an object");
    PlanNodeEntry node;
    auto text = [&](const char* key, std::string& into, bool required) {
      const auto it = n.find(key);
      if (it == n.end()) return !required || fail(key, "missing");
      if (!it->is_string() || it->get<std::string>().empty()) return fail(key, "give a non-empty text");
      into = it->get<std::string>();
      return true;
    };
    if (!text("name", node.name, true)) return false;
    if (const std::string problem = NameProblem(node.name); !problem.empty()) return fail("name", problem);
    where += " (" + Quoted(node.name) + ")";
    for (const auto& [key, value] : n.items()) {
      (void)value;
      if (key != "name" && key != "controller" && key != "clock" && key != "ppm" && key != "transceiver" &&
          key != "dev")
        return fail(PrintableLine(key), "not a field of a node (name, controller, clock, ppm, transceiver, dev)");
    }
    if (!text("controller", node.controller, true) || !text("transceiver", node.transceiver, false) ||
        !text("dev", node.device, false))
      return false;
    const auto clock = n.find("clock");
    if (clock == n.end()) return fail("clock", "missing");
    if (clock->is_string()) node.clockText = clock->get<std::string>();
    else if (clock->is_number()) node.clockText = clock->dump();
    else return fail("clock", "give a text such as \"16MHz\" or a number of MHz");
    const std::optional<std::uint64_t> hz = ParseClockHz(node.clockText);
    if (!hz) return fail("clock", Quoted(node.clockText) + ClockHint());
    node.clockInputHz = *hz;
    if (const auto ppm = n.find("ppm"); ppm != n.end()) {
      if (!ppm->is_number() || ppm->get<double>() < 0 || ppm->get<double>() > 100000)
        return fail("ppm", "give a number from 0 to 100000");
      node.ppm = ppm->get<double>();
    }
    network.nodes.push_back(std::move(node));
  }
  return true;
}

}  // namespace kelvane::cli
