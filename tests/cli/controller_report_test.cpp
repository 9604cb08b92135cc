#include "controller_report.h"
#include "ip_link_json.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>

namespace kelvane::cli {
namespace {

TEST(ControllerReport, NumbersAsShown) {
  EXPECT_EQ(Decimal(87.5, 3), "87.5");
  EXPECT_EQ(Decimal(125000.0, 3), "125000");
  EXPECT_EQ(Decimal(83333.3333333, 3), "83333.333");
  EXPECT_EQ(Decimal(-4.1666, 3), "-4.167");
  EXPECT_EQ(Decimal(-0.0004, 3), "0");  // no "-0"
  EXPECT_EQ(Decimal(0.05, 3), "0.05");   // a leading zero of the fraction kept
  EXPECT_EQ(Decimal(2.0005, 3), "2.001");  // halves away from zero
  EXPECT_EQ(HexText(0x1C, 8), "0x1C");
  EXPECT_EQ(HexText(0x3, 8), "0x03");
  EXPECT_EQ(HexText(0x12038A13, 32), "0x12038A13");
  EXPECT_EQ(HexText(0x2, 16), "0x0002");
}

ControllerReport TwoRows() {
  ControllerReport r;
  r.request = {{"controller", "Controller", "mcp2515", CellKind::Text},
               {"clock_hz", "Clock", "4000000", CellKind::Number},
               {"bitrate", "Asked", "125000", CellKind::Number}};
  r.registerColumns = {{"CNF1", 8}, {"CNF2", 8}};
  SettingRow row;
  row.index = 1;
  row.recommended = true;
  row.setting.timing = {4, 1, 3, 3, 1, false};
  row.setting.bitrate = {125000, 1};
  row.setting.tqNs = 1000;
  row.setting.samplePointPct = 62.5;
  row.setting.tolerancePpm = 6250;
  row.setting.kernelTqNs = 1000;
  row.registerCount = 2;
  row.registers = {0x03, 0x90};
  r.settings.push_back(row);
  // A second row made as it is written, with a comma in its source for CSV.
  r.madeCount = 1;
  r.make = [row](std::size_t, SettingRow& out) {
    out = row;
    out.index = 2;
    out.recommended = false;
    out.source = "a,b";
    out.toleranceOk = false;
  };
  r.hasKernelPick = true;
  r.afterSettings = {{"kernel_pick_reason", "Kernel's pick", "the kernel refuses: x", CellKind::Text}};
  return r;
}

TEST(ControllerReport, JsonHoldsHeldAndMadeRows) {
  std::ostringstream out;
  WriteControllerReport(TwoRows(), OutputFormat::Json, out);
  const auto doc = nlohmann::json::parse(out.str());
  ASSERT_EQ(doc["settings"].size(), 2u);
  EXPECT_EQ(doc["settings"][0]["registers"]["CNF2"], "0x90");
  EXPECT_EQ(doc["settings"][0]["recommended"], true);
  EXPECT_EQ(doc["settings"][0]["tq_ns"], 1000);
  EXPECT_EQ(doc["settings"][0]["sample_point_pct"], 62.5);
  EXPECT_EQ(doc["settings"][1]["index"], 2);
  EXPECT_EQ(doc["settings"][1]["tolerance_ok"], false);
  EXPECT_TRUE(doc["kernel_pick"].is_null());
  EXPECT_EQ(doc["kernel_pick_reason"], "the kernel refuses: x");
  EXPECT_EQ(doc["clock_hz"], 4000000);
}

TEST(ControllerReport, CsvIsOneTable) {
  std::ostringstream out;
  WriteControllerReport(TwoRows(), OutputFormat::Csv, out);
  std::istringstream lines(out.str());
  std::string header, first, second, more;
  std::getline(lines, header);
  std::getline(lines, first);
  std::getline(lines, second);
  EXPECT_FALSE(std::getline(lines, more));
  EXPECT_EQ(header.substr(0, 40), "controller,clock_hz,asked_bitrate,source");
  EXPECT_EQ(header.substr(header.size() - 11), ",CNF1,CNF2\r");
  EXPECT_EQ(first.substr(0, 33), "mcp2515,4000000,125000,kelvane,1,");
  EXPECT_EQ(second.substr(0, 34), "mcp2515,4000000,125000,\"a,b\",2,no,");
  EXPECT_EQ(first.substr(first.size() - 11), ",0x03,0x90\r");
}

const char kTwoCanDevices[] = R"([
  {"ifname": "lo", "link_type": "loopback"},
  {"ifname": "can0", "link_type": "can", "linkinfo": {"info_kind": "can", "info_data": {
    "bittiming": {"bitrate": 500000, "tq": 125, "prop_seg": 6, "phase_seg1": 7, "phase_seg2": 2, "sjw": 1},
    "bittiming_const": {"name": "mcp251x", "tseg1": {"min": 3, "max": 16}, "tseg2": {"min": 2, "max": 8},
                        "sjw": {"min": 1, "max": 4}, "brp": {"min": 1, "max": 64}, "brp_inc": 1},
    "clock": 8000000}}},
  {"ifname": "can1", "link_type": "can", "linkinfo": {"info_kind": "can", "info_data": {
    "ctrlmode": ["TRIPLE-SAMPLING"],
    "bittiming": {"tq": 50, "prop_seg": 69, "phase_seg1": 70, "phase_seg2": 20, "sjw": 10, "brp": 4},
    "bittiming_const": {"name": "m_can", "tseg1_min": 2, "tseg1_max": 256, "tseg2_min": 2,
                        "tseg2_max": 128, "sjw_max": 128, "brp_min": 1, "brp_max": 512},
    "clock": 80000000}}}])";

TEST(DeviceTiming, ReadsAnyControllerAndBothLimitForms) {
  EXPECT_NE(ReadDeviceTiming(kTwoCanDevices).error.find("--device"), std::string::npos);
  const DeviceTimingRead mcp = ReadDeviceTiming(kTwoCanDevices, std::string("can0"));
  ASSERT_TRUE(mcp.timing) << mcp.error;
  EXPECT_EQ(mcp.timing->constName, "mcp251x");
  ASSERT_TRUE(mcp.timing->limits);
  EXPECT_EQ(mcp.timing->limits->tseg1Min, 3u);
  EXPECT_EQ(mcp.timing->limits->brpMax, 64u);
  EXPECT_FALSE(mcp.timing->brp.has_value());
  EXPECT_EQ(DeviceConstName(kTwoCanDevices, std::string("can1")), "m_can");
  const DeviceTimingRead m = ReadDeviceTiming(kTwoCanDevices, std::string("can1"));
  ASSERT_TRUE(m.timing);
  // Flat limits without brp_inc are incomplete: no limits rather than a guess.
  EXPECT_FALSE(m.timing->limits.has_value());
  EXPECT_EQ(*m.timing->brp, 4u);
  EXPECT_EQ(m.timing->phaseSeg1, 70u);
  EXPECT_TRUE(m.timing->tripleSampling);
  EXPECT_EQ(DeviceConstName("not json"), "");
}

}  // namespace
}  // namespace kelvane::cli
