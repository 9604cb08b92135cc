#include "ip_link_json.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <vector>

#include "socketcan.h"
#include "timing.h"

namespace kelvane::cli {

namespace {

using Json = nlohmann::json;

KernelBitTimingRead Fail(std::string message) { return {std::nullopt, std::move(message)}; }

// A member that is a whole number from 0 to 2^32 - 1. Empty when absent, and
// also when present in another form, which *malformed then tells.
std::optional<std::uint32_t> Count(const Json& object, const char* key,
                                   bool* malformed = nullptr) {
  const auto it = object.find(key);
  if (it == object.end()) return std::nullopt;
  if (it->is_number_unsigned()) {
    const auto v = it->get<std::uint64_t>();
    if (v <= 0xFFFFFFFFull) return static_cast<std::uint32_t>(v);
  } else if (it->is_number_integer() && it->get<std::int64_t>() == 0) {
    return 0u;
  }
  if (malformed != nullptr) *malformed = true;
  return std::nullopt;
}

std::string NotACount(const std::string& what) {
  return what + " is not a whole number from 0 to 4294967295";
}

std::string Text(const Json& object, const char* key) {
  const auto it = object.find(key);
  return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

std::string Range(const char* what, long long value, int low, int high) {
  return std::string(what) + " " + std::to_string(value) + " is outside " + std::to_string(low) +
         " to " + std::to_string(high);
}

bool IsCanDevice(const Json& link) {
  if (!link.is_object()) return false;
  const auto info = link.find("linkinfo");
  if (info != link.end() && info->is_object()) return Text(*info, "info_kind") == "can";
  return Text(link, "link_type") == "can";
}

// Names for a message: the first few, quoted, and how many more.
std::string NameList(const std::vector<const Json*>& links) {
  std::string list;
  const std::size_t shown = std::min<std::size_t>(links.size(), 8);
  for (std::size_t i = 0; i < shown; ++i)
    list += (i ? ", '" : "'") + Text(*links[i], "ifname") + "'";
  if (links.size() > shown) list += " and " + std::to_string(links.size() - shown) + " more";
  return list;
}

// ip nests its output six levels deep; far deeper is no output of ip, and
// is refused before a parser builds it.
bool NestedTooDeep(std::string_view text) {
  constexpr int kDeepest = 64;
  int depth = 0;
  bool inString = false, escaped = false;
  for (const char c : text) {
    if (inString) {
      if (escaped) escaped = false;
      else if (c == '\\') escaped = true;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kDeepest) return true;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return false;
}

// The device to read: the one named, the only one, or the only CAN device.
const Json* PickDevice(const Json& doc, const std::optional<std::string>& device,
                       std::string& error) {
  std::vector<const Json*> links, can;
  if (doc.is_array()) {
    for (const Json& link : doc) links.push_back(&link);
  } else {
    links.push_back(&doc);
  }
  for (const Json* link : links)
    if (IsCanDevice(*link)) can.push_back(link);
  const std::string canNames =
      can.empty() ? "it holds no CAN device" : "its CAN devices: " + NameList(can);
  if (device) {
    for (const Json* link : links)
      if (link->is_object() && Text(*link, "ifname") == *device) return link;
    error = "no device '" + *device + "' in the file (" + canNames + ")";
    return nullptr;
  }
  if (links.empty()) {
    error = "no device in the file";
    return nullptr;
  }
  if (links.size() == 1) return links[0];
  if (can.size() == 1) return can[0];
  if (can.empty()) {
    error = "none of the " + std::to_string(links.size()) + " devices in the file is a CAN device";
  } else {
    error = "the file holds " + std::to_string(can.size()) + " CAN devices (" + NameList(can) +
            "); choose one with --device NAME";
  }
  return nullptr;
}


// A member of bittiming_const: {"tseg1": {"min": .., "max": ..}} as iproute2
// writes it, or "tseg1_min" as older versions did.
std::optional<std::uint32_t> Limit(const Json& c, const char* group, const char* end,
                                   const char* flat, bool& malformed) {
  if (const auto g = c.find(group); g != c.end() && g->is_object())
    if (auto v = Count(*g, end, &malformed)) return v;
  return Count(c, flat, &malformed);
}

// The device's bittiming_const limits; empty when one is missing or malformed.
std::optional<cantiming::PhaseLimits> LimitsOf(const Json& c) {
  bool malformed = false;
  cantiming::PhaseLimits l;
  const auto take = [&](const char* group, const char* end, const char* flat, std::uint32_t& into) {
    const auto v = Limit(c, group, end, flat, malformed);
    if (v) into = *v;
    return v.has_value();
  };
  const bool complete =
      take("tseg1", "min", "tseg1_min", l.tseg1Min) & take("tseg1", "max", "tseg1_max", l.tseg1Max) &
      take("tseg2", "min", "tseg2_min", l.tseg2Min) & take("tseg2", "max", "tseg2_max", l.tseg2Max) &
      take("sjw", "max", "sjw_max", l.sjwMax) & take("brp", "min", "brp_min", l.brpMin) &
      take("brp", "max", "brp_max", l.brpMax) & take("", "", "brp_inc", l.brpInc);
  if (!complete || malformed) return std::nullopt;
  return l;
}

// The device chosen, checked to be a CAN device with details.
const Json* CanDetails(const Json& doc, const std::optional<std::string>& device,
                       std::string& name, std::string& error) {
  const Json* link = PickDevice(doc, device, error);
  if (link == nullptr) return nullptr;
  if (!link->is_object()) {
    error = "not the output of ip -details -json link show DEV";
    return nullptr;
  }
  name = Text(*link, "ifname");
  const std::string called = name.empty() ? "the device" : "device '" + name + "'";
  const auto info = link->find("linkinfo");
  if (info != link->end() && info->is_object()) {
    if (Text(*info, "info_kind") != "can") {
      error = called + " is not a CAN device (info_kind '" + Text(*info, "info_kind") + "')";
      return nullptr;
    }
    const auto d = info->find("info_data");
    if (d != info->end() && d->is_object()) return &*d;
  } else if (Text(*link, "link_type") != "can") {
    error = called + " is not a CAN device (link_type '" + Text(*link, "link_type") + "')";
    return nullptr;
  }
  error = called + " shows no CAN details; run ip with -details";
  return nullptr;
}

}  // namespace

std::string DeviceConstName(std::string_view jsonText, const std::optional<std::string>& device) {
  if (NestedTooDeep(jsonText)) return {};
  const Json doc = Json::parse(jsonText.begin(), jsonText.end(), nullptr, false);
  if (doc.is_discarded()) return {};
  std::string name, error;
  const Json* data = CanDetails(doc, device, name, error);
  if (data == nullptr) return {};
  const auto c = data->find("bittiming_const");
  return c != data->end() && c->is_object() ? Text(*c, "name") : std::string();
}

DeviceTimingRead ReadDeviceTiming(std::string_view jsonText,
                                  const std::optional<std::string>& device) {
  const auto fail = [](std::string message) { return DeviceTimingRead{std::nullopt, std::move(message)}; };
  if (NestedTooDeep(jsonText))
    return fail("nested deeper than any output of ip; give ip -details -json link show DEV");
  const Json doc = Json::parse(jsonText.begin(), jsonText.end(), nullptr, false);
  if (doc.is_discarded())
    return fail("not JSON; give the output of ip -details -json link show DEV");
  DeviceTiming t;
  std::string error;
  const Json* data = CanDetails(doc, device, t.device, error);
  if (data == nullptr) return fail(error);
  const std::string name = t.device.empty() ? "the device" : "device '" + t.device + "'";
  const auto bt = data->find("bittiming");
  if (bt == data->end() || !bt->is_object()) {
    // A driver with fixed rates reports those in place of a timing.
    if (data->contains("bitrate_const"))
      return fail(name + " has no bittiming: its driver offers fixed bit rates (bitrate_const), no timing to decode");
    return fail(name + " has no bittiming: its bit rate has not been set");
  }
  bool malformed = false;
  const auto clock = Count(*data, "clock", &malformed);
  if (malformed) return fail(NotACount("the clock of " + name));
  if (!clock || *clock == 0) return fail(name + " reports no clock");
  t.clockHz = *clock;
  if (const auto c = data->find("bittiming_const"); c != data->end() && c->is_object()) {
    t.constName = Text(*c, "name");
    t.limits = LimitsOf(*c);
  }
  if (const auto m = data->find("ctrlmode"); m != data->end() && m->is_array()) {
    for (const Json& flag : *m)
      if (flag.is_string() && flag.get<std::string>() == "TRIPLE-SAMPLING") t.tripleSampling = true;
  }
  const char* const keys[] = {"tq", "prop_seg", "phase_seg1", "phase_seg2", "sjw"};
  std::uint32_t* const into[] = {&t.tq, &t.propSeg, &t.phaseSeg1, &t.phaseSeg2, &t.sjw};
  for (int i = 0; i < 5; ++i) {
    const auto value = Count(*bt, keys[i], &malformed);
    if (malformed) return fail(NotACount(std::string("bittiming '") + keys[i] + "'"));
    if (!value) return fail(std::string("bittiming has no '") + keys[i] + "'");
    *into[i] = *value;
  }
  t.bitrate = Count(*bt, "bitrate");  // a malformed one is taken as none
  t.brp = Count(*bt, "brp", &malformed);
  if (malformed) return fail(NotACount("bittiming 'brp'"));
  return {t, {}};
}

KernelBitTimingRead ReadKernelBitTiming(std::string_view jsonText,
                                        const std::optional<std::string>& device) {
  const DeviceTimingRead read = ReadDeviceTiming(jsonText, device);
  if (!read.timing) return Fail(read.error);
  const DeviceTiming& d = *read.timing;
  KernelBitTiming t;
  t.device = d.device;
  t.controller = d.constName;
  t.clockHz = d.clockHz;
  t.tripleSampling = d.tripleSampling;
  t.tq = d.tq;
  t.bitrate = d.bitrate;
  const std::uint32_t v[5] = {d.tq, d.propSeg, d.phaseSeg1, d.phaseSeg2, d.sjw};
  // The kernel's brp for the tq it reports; a brp beside it must be the same.
  const std::uint64_t fromTq = KernelBrp(t.clockHz, t.tq);
  if (const auto given = d.brp) {
    t.brpGiven = true;
    if (*given > 64) return Fail(Range("brp", *given, 1, 64) + " (SJA1000)");
    t.brp = static_cast<int>(*given);
    if (fromTq != *given)
      return Fail("brp " + std::to_string(*given) + " does not go with tq " +
                  std::to_string(t.tq) + " ns at clock " + std::to_string(t.clockHz) +
                  " Hz, which give brp " + std::to_string(fromTq));
  } else {
    if (fromTq > 64)
      return Fail(Range("brp from tq", static_cast<long long>(fromTq), 1, 64) + " (SJA1000)");
    t.brp = static_cast<int>(fromTq);
  }
  const long long tseg1 = static_cast<long long>(v[1]) + v[2];
  if (t.brp < 1) return Fail(Range("brp", t.brp, 1, 64) + " (SJA1000)");
  if (tseg1 < 1 || tseg1 > 16)
    return Fail(Range("prop_seg + phase_seg1", tseg1, 1, 16) + " (SJA1000 TSEG1)");
  if (v[3] < 1 || v[3] > 8) return Fail(Range("phase_seg2", v[3], 1, 8) + " (SJA1000 TSEG2)");
  if (v[4] < 1 || v[4] > 4) return Fail(Range("sjw", v[4], 1, 4) + " (SJA1000)");
  t.propSeg = static_cast<int>(v[1]);
  t.phaseSeg1 = static_cast<int>(v[2]);
  t.phaseSeg2 = static_cast<int>(v[3]);
  t.sjw = static_cast<int>(v[4]);
  t.combination = {t.brp, t.sjw, static_cast<int>(tseg1), t.phaseSeg2, t.tripleSampling ? 1 : 0};
  // A figure these registers cannot give is not the kernel's rounding.
  const auto brp = static_cast<std::uint64_t>(t.brp);
  const auto quanta = static_cast<std::uint64_t>(1 + tseg1 + t.phaseSeg2);
  if (t.bitrate && *t.bitrate > 0 &&
      !cantiming::ReportedBitrateFits(static_cast<std::uint64_t>(*t.bitrate), t.clockHz, brp, quanta))
    return Fail("bitrate " + std::to_string(*t.bitrate) + " does not go with brp " +
                std::to_string(brp) + " and " + std::to_string(quanta) + " tq at clock " +
                std::to_string(t.clockHz) + " Hz, which give " +
                std::to_string(t.clockHz / (brp * quanta)) + " bit/s");
  return {t, {}};
}

}  // namespace kelvane::cli
