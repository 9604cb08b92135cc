#include "report_writers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <sstream>

namespace kelvane::cli {
namespace {

CalcReport SmallReport() {
  CalcReport r;
  r.request = {{"baud", "Baud rate", "500.000000", false},
               {"rules", "Rules", "11111111100", false},
               {"note", "Note", "a, \"quoted\" text", false}};
  r.pairs = {{{"index", "#", "1", true}, {"btr0", "BTR0", "00", false},
              {"rate", "kbit/s", "500.000000", false}, {"triple", "3x", "off", false}},
             {{"index", "#", "12", true}, {"btr0", "BTR0", "80", false},
              {"rate", "kbit/s", "66.666667", false}, {"triple", "3x", "on", false}}};
  return r;
}

TEST(TableWriter, AlignsNumbersRightAndTextsLeft) {
  std::ostringstream out;
  WriteTable(SmallReport(), out);
  EXPECT_EQ(out.str(),
            "Baud rate: 500.000000\n"
            "Rules:     11111111100\n"
            "Note:      a, \"quoted\" text\n"
            "\n"
            " #  BTR0      kbit/s  3x\n"
            " 1  00    500.000000  off\n"
            "12  80     66.666667  on\n");
}

TEST(CsvWriter, OneTableEachRowRepeatingTheRequest) {
  std::ostringstream out;
  WriteCsv(SmallReport(), out);
  EXPECT_EQ(out.str(),
            "index,btr0,rate,triple,request_baud,request_rules,request_note\r\n"
            "1,00,500.000000,off,500.000000,11111111100,\"a, \"\"quoted\"\" text\"\r\n"
            "12,80,66.666667,on,500.000000,11111111100,\"a, \"\"quoted\"\" text\"\r\n");
}

TEST(CsvWriter, VerdictsAndPasteBecomeColumnsAndJsonOnlyFieldsStayOut) {
  CalcReport r = SmallReport();
  r.pairs.resize(1);
  r.pairs[0].push_back(WideField("ip_link", "ip link set dev 'a,b' up"));
  r.pairs[0].push_back(JsonOnlyField("networkd", "[CAN]\n"));
  r.rules = {{{"rule", "Rule", "large-tolerance", false}, {"verdict", "Verdict", "passed", false}}};
  r.pasteAsked = true;
  r.pasteNote = "pair 1";
  r.ipLink = "down\r\nup";
  r.request.resize(1);
  std::ostringstream out;
  WriteCsv(r, out);
  EXPECT_EQ(out.str(),
            "index,btr0,rate,triple,ip_link,rule_large_tolerance_verdict,paste_pair,paste_ip_link,"
            "paste_networkd,request_baud\r\n"
            "1,00,500.000000,off,\"ip link set dev 'a,b' up\",passed,pair 1,\"down\r\nup\",,"
            "500.000000\r\n");
  // Nothing listed: the header of the pair columns alone.
  r.pairs.clear();
  r.pairColumns = {{"index", "#", "", true}};
  std::ostringstream none;
  WriteCsv(r, none);
  EXPECT_EQ(none.str(),
            "index,rule_large_tolerance_verdict,paste_pair,paste_ip_link,paste_networkd,"
            "request_baud\r\n");
}

TEST(TableWriter, WideFieldsStayOutAndTheNoteFollowsThePairs) {
  CalcReport r = SmallReport();
  r.pairs.resize(1);
  r.pairs[0].push_back(WideField("ip_link", "ip link set dev can0 up"));
  r.request.resize(1);
  r.pairsNote = "'-': not settable";
  std::ostringstream out;
  WriteTable(r, out);
  EXPECT_EQ(out.str(),
            "Baud rate: 500.000000\n"
            "\n"
            "#  BTR0      kbit/s  3x\n"
            "1  00    500.000000  off\n"
            "\n"
            "# '-': not settable\n");
}

TEST(JsonWriter, IntegersAreNumbersAndTextsStayTexts) {
  std::ostringstream out;
  WriteJson(SmallReport(), out);
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(out.str()), &error);
  ASSERT_EQ(error.error, QJsonParseError::NoError) << out.str();
  const QJsonObject root = doc.object();
  EXPECT_EQ(root.value("request").toObject().value("note").toString(), "a, \"quoted\" text");
  const QJsonArray pairs = root.value("pairs").toArray();
  ASSERT_EQ(pairs.size(), 2);
  EXPECT_TRUE(pairs[1].toObject().value("index").isDouble());
  EXPECT_EQ(pairs[1].toObject().value("index").toInt(), 12);
  EXPECT_EQ(pairs[1].toObject().value("btr0").toString(), "80");
  EXPECT_EQ(pairs[0].toObject().value("rate").toString(), "500.000000");
  EXPECT_FALSE(root.contains("rules"));  // a search has no rule verdicts
}

TEST(JsonWriter, EmptyListIsAnEmptyArray) {
  CalcReport r = SmallReport();
  r.pairs.clear();
  std::ostringstream out;
  WriteJson(r, out);
  const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(out.str())).object();
  ASSERT_TRUE(root.value("pairs").isArray());
  EXPECT_TRUE(root.value("pairs").toArray().isEmpty());
}

}  // namespace
}  // namespace kelvane::cli
