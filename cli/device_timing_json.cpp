#include "device_timing_json.h"

#include <nlohmann/json.hpp>

namespace kelvane::cli {

namespace {

using Json = nlohmann::json;

DeviceTimingRead Fail(std::string message) { return {std::nullopt, std::move(message)}; }

std::optional<std::uint32_t> Count(const Json& object, const char* key, bool& malformed) {
  const auto it = object.find(key);
  if (it == object.end()) return std::nullopt;
  if (it->is_number_unsigned() && it->get<std::uint64_t>() <= UINT32_MAX)
    return static_cast<std::uint32_t>(it->get<std::uint64_t>());
  if (it->is_number_integer() && it->get<std::int64_t>() == 0) return 0u;
  malformed = true;
  return std::nullopt;
}

std::string Text(const Json& object, const char* key) {
  const auto it = object.find(key);
  return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// The one link of the file that is a CAN device with details.
const Json* CanLink(const Json& doc, std::string& error) {
  if (!doc.is_array()) return doc.is_object() ? &doc : nullptr;
  const Json* found = nullptr;
  int count = 0;
  for (const Json& link : doc) {
    if (!link.is_object()) continue;
    const auto info = link.find("linkinfo");
    if (info != link.end() && info->is_object() && Text(*info, "info_kind") == "can") {
      found = &link;
      ++count;
    }
  }
  if (count > 1) {
    error = "the file holds " + std::to_string(count) +
            " CAN devices; give the output of ip -details -json link show DEV for one";
    return nullptr;
  }
  if (found == nullptr && doc.size() == 1 && doc[0].is_object()) return &doc[0];
  if (found == nullptr) error = doc.empty() ? "no device in the file" : "no CAN device in the file";
  return found;
}

const Json* InfoData(const Json& link) {
  const auto info = link.find("linkinfo");
  if (info == link.end() || !info->is_object()) return nullptr;
  const auto data = info->find("info_data");
  return data != info->end() && data->is_object() ? &*data : nullptr;
}

}  // namespace

std::string DeviceConstName(std::string_view jsonText) {
  const Json doc = Json::parse(jsonText.begin(), jsonText.end(), nullptr, false);
  if (doc.is_discarded()) return {};
  std::string error;
  const Json* link = CanLink(doc, error);
  if (link == nullptr) return {};
  const Json* data = InfoData(*link);
  if (data == nullptr) return {};
  const auto c = data->find("bittiming_const");
  return c != data->end() && c->is_object() ? Text(*c, "name") : std::string();
}

DeviceTimingRead ReadDeviceTiming(std::string_view jsonText) {
  const Json doc = Json::parse(jsonText.begin(), jsonText.end(), nullptr, false);
  if (doc.is_discarded()) return Fail("not JSON; give the output of ip -details -json link show DEV");
  std::string error;
  const Json* link = CanLink(doc, error);
  if (link == nullptr)
    return Fail(error.empty() ? "not the output of ip -details -json link show DEV" : error);
  DeviceTiming t;
  t.device = Text(*link, "ifname");
  const std::string name = t.device.empty() ? "the device" : "device '" + t.device + "'";
  const auto info = link->find("linkinfo");
  if (info == link->end() || !info->is_object()) {
    if (Text(*link, "link_type") == "can") return Fail(name + " shows no CAN details; run ip with -details");
    return Fail(name + " is not a CAN device (link_type '" + Text(*link, "link_type") + "')");
  }
  if (Text(*info, "info_kind") != "can")
    return Fail(name + " is not a CAN device (info_kind '" + Text(*info, "info_kind") + "')");
  const Json* data = InfoData(*link);
  if (data == nullptr) return Fail(name + " shows no CAN details; run ip with -details");
  const auto bt = data->find("bittiming");
  if (bt == data->end() || !bt->is_object())
    return Fail(name + " has no bittiming: its bit rate has not been set");
  bool malformed = false;
  const auto clock = Count(*data, "clock", malformed);
  if (malformed) return Fail("the clock of " + name + " is not a whole number from 0 to 4294967295");
  if (!clock || *clock == 0) return Fail(name + " reports no clock");
  t.clockHz = *clock;
  if (const auto c = data->find("bittiming_const"); c != data->end() && c->is_object()) {
    t.constName = Text(*c, "name");
    // iproute2 writes {"tseg1": {"min": .., "max": ..}, ...}; older ones
    // wrote flat members such as "tseg1_min".
    cantiming::PhaseLimits l;
    bool complete = true, bad = false;
    const auto take = [&](const char* group, const char* end, const char* flat, std::uint32_t& into) {
      std::optional<std::uint32_t> v;
      if (const auto g = c->find(group); g != c->end() && g->is_object()) v = Count(*g, end, bad);
      if (!v) v = Count(*c, flat, bad);
      if (v) into = *v; else complete = false;
    };
    take("tseg1", "min", "tseg1_min", l.tseg1Min);
    take("tseg1", "max", "tseg1_max", l.tseg1Max);
    take("tseg2", "min", "tseg2_min", l.tseg2Min);
    take("tseg2", "max", "tseg2_max", l.tseg2Max);
    take("sjw", "max", "sjw_max", l.sjwMax);
    take("brp", "min", "brp_min", l.brpMin);
    take("brp", "max", "brp_max", l.brpMax);
    if (const auto inc = Count(*c, "brp_inc", bad)) l.brpInc = *inc; else complete = false;
    if (bad) return Fail("bittiming_const holds a value that is not a whole number from 0 to 4294967295");
    if (complete) t.limits = l;
  }
  if (const auto m = data->find("ctrlmode"); m != data->end() && m->is_array()) {
    for (const Json& flag : *m)
      if (flag.is_string() && flag.get<std::string>() == "TRIPLE-SAMPLING") t.tripleSampling = true;
  }
  const char* const keys[] = {"tq", "prop_seg", "phase_seg1", "phase_seg2", "sjw"};
  std::uint32_t* const into[] = {&t.tq, &t.propSeg, &t.phaseSeg1, &t.phaseSeg2, &t.sjw};
  for (int i = 0; i < 5; ++i) {
    const auto value = Count(*bt, keys[i], malformed);
    if (malformed)
      return Fail(std::string("bittiming '") + keys[i] + "' is not a whole number from 0 to 4294967295");
    if (!value) return Fail(std::string("bittiming has no '") + keys[i] + "'");
    *into[i] = *value;
  }
  t.brp = Count(*bt, "brp", malformed);
  t.bitrate = Count(*bt, "bitrate", malformed);
  if (malformed) return Fail("bittiming 'brp' or 'bitrate' is not a whole number from 0 to 4294967295");
  return {t, {}};
}

}  // namespace kelvane::cli
