#include "transceiver_command.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "calc_options.h"
#include "calc_runner.h"
#include "data_file.h"
#include "data_file_location.h"
#include "trans_record.h"
#include "transceiver_forms.h"
#include "transceiver_store.h"
#include "windows1252.h"

namespace kelvane::cli {
namespace {

constexpr const char* kDefaultNames[2] = {"PCA82C251", "PCA82C251-47"};
// The records of the largest transceiver file.
constexpr std::uint64_t kMaxRecords = static_cast<std::uint64_t>(kMaxDataFileBytes) / kRecordSize;
// The editor's delay boxes take at most nine digits.
constexpr std::int32_t kMaxTypedDelay = 999'999'999;

struct Failure {
  int status = kExitUsage;
  std::string message;
};

// The editor's upper case, byte by byte in Windows-1252: the micro sign and
// the sharp s have no single upper-case letter and stay.
std::string Upper1252(std::string bytes) {
  for (char& ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    unsigned char u = c;
    if (c >= 'a' && c <= 'z') u = static_cast<unsigned char>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) u = static_cast<unsigned char>(c - 0x20);
    if (c == 0x9A || c == 0x9C || c == 0x9E) u = static_cast<unsigned char>(c - 0x10);
    if (c == 0xFF) u = 0x9F;
    ch = static_cast<char>(u);
  }
  return bytes;
}

// What the editor counts as blanks, in UTF-8: ASCII white space, NEL, the
// no-break space and Unicode's other spaces.
constexpr std::string_view kBlanks[] = {
    " ",            "\t",           "\n",           "\v",           "\f",           "\r",
    "\xC2\x85",     "\xC2\xA0",     "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\x81", "\xE2\x80\x82",
    "\xE2\x80\x83", "\xE2\x80\x84", "\xE2\x80\x85", "\xE2\x80\x86", "\xE2\x80\x87", "\xE2\x80\x88",
    "\xE2\x80\x89", "\xE2\x80\x8A", "\xE2\x80\xA8", "\xE2\x80\xA9", "\xE2\x80\xAF", "\xE2\x81\x9F",
    "\xE3\x80\x80",
};

// Blanks at the end of a name cannot be seen in the list: "A " would stand
// beside "A" as another transceiver, so the editor drops them from a new name.
std::string WithoutTrailingBlanks(std::string name) {
  for (bool dropped = true; dropped;) {
    dropped = false;
    for (const std::string_view blank : kBlanks) {
      if (name.ends_with(blank)) {
        name.resize(name.size() - blank.size());
        dropped = true;
      }
    }
  }
  return name;
}

// Why name cannot be stored, or nothing when it can. A name of blanks only is
// no name.
std::optional<std::string> NameRefusal(const std::string& name) {
  if (WithoutTrailingBlanks(name).empty()) return "the name must not be blank";
  const std::optional<std::string> bytes = Utf8ToWindows1252(name);
  if (!bytes) {
    return "the name " + QuotedLine(name) +
           " has characters outside the Western European (Windows-1252) "
           "character set";
  }
  if (std::any_of(bytes->begin(), bytes->end(),
                  [](char ch) { return static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F; })) {
    return "the name " + QuotedLine(name) + " holds a control character";
  }
  if (bytes->size() > kMaxNameLength) {
    return "the name " + QuotedLine(name) + " is longer than " + std::to_string(kMaxNameLength) +
           " characters";
  }
  if (Upper1252(*bytes) != *bytes) {
    return "the name " + QuotedLine(name) + " is not in upper case";
  }
  return std::nullopt;
}

// The editor keeps a line break as CR LF.
std::string StoredLineBreaks(const std::string& text) {
  std::string stored;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) stored += '\r';
    stored += text[i];
  }
  return stored;
}

std::optional<std::string> DescriptionRefusal(const std::string& stored) {
  const std::optional<std::string> bytes = Utf8ToWindows1252(stored);
  if (!bytes) {
    return std::string(
        "the description has characters outside the Western European "
        "(Windows-1252) character set");
  }
  if (bytes->find('\0') != std::string::npos)
    return std::string("the description holds a zero character");
  if (bytes->size() > kMaxDescriptionLength) {
    return "the description is " + std::to_string(bytes->size()) + " characters long, more than " +
           std::to_string(kMaxDescriptionLength) + " (a line break counts two)";
  }
  return std::nullopt;
}

// "MIN,NOM,MAX"; an empty place is left out (nullopt).
using Triple = std::array<std::optional<std::int32_t>, 3>;

std::optional<Triple> ParseTriple(const std::string& text) {
  Triple values;
  std::size_t place = 0, digits = 0;
  std::int64_t value = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == ',') {
      if (place > 2) return std::nullopt;
      if (digits > 0) values[place] = static_cast<std::int32_t>(value);
      ++place;
      digits = 0;
      value = 0;
    } else if (text[i] >= '0' && text[i] <= '9' && digits < 9) {
      value = value * 10 + (text[i] - '0');
      ++digits;
    } else {
      return std::nullopt;
    }
  }
  if (place != 3) return std::nullopt;
  return values;
}

// The record's name as stored, for byte-for-byte comparison.
std::optional<std::size_t> IndexOf(const RecordList& records, const std::string& name) {
  const std::optional<std::string> key = Utf8ToWindows1252(name);
  if (!key) return std::nullopt;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (StoredName(records[i].data()) == *key) return i;
  }
  return std::nullopt;
}

// Retries while another program holds the file, for at most waitSeconds.
template <typename Op>
auto Retrying(double waitSeconds, Op op) -> decltype(op()) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(waitSeconds));
  std::minstd_rand jitter(static_cast<unsigned>(Clock::now().time_since_epoch().count()));
  for (;;) {
    auto result = op();
    if (result.ok() || result.error().code != StoreErrc::InUse || Clock::now() >= deadline) {
      return result;
    }
    // Uneven pauses, so that waiting programs do not keep meeting.
    std::this_thread::sleep_for(std::chrono::milliseconds(5 + jitter() % 40));
  }
}

Failure FileFailure(const StoreError& error) { return {kExitFile, PrintableLine(error.message)}; }

// What add and set take from their options.
struct Fields {
  std::optional<std::string> description;
  std::array<std::string, 4> delays;  // as typed; empty when not given
};

// Applies fields to record; fresh: empty places become 0 (add), else they keep
// their value (set).
std::optional<Failure> ApplyFields(const Fields& fields, trans& record, bool fresh) {
  if (fields.description) {
    const std::string stored = StoredLineBreaks(*fields.description);
    if (auto refusal = DescriptionRefusal(stored)) return Failure{kExitUsage, *refusal};
    record.description = stored.empty() ? " " : stored;
  } else if (fresh) {
    record.description = " ";
  }
  for (std::size_t k = 0; k < 4; ++k) {
    DelayRow& row = record.rows[kDelayKinds[k].row];
    std::int32_t* values[3] = {&row.min, &row.nom, &row.max};
    if (fields.delays[k].empty()) continue;
    const std::optional<Triple> triple = ParseTriple(fields.delays[k]);
    if (!triple) {
      return Failure{kExitUsage, std::string(kDelayKinds[k].option) + " " +
                                     QuotedLine(fields.delays[k]) +
                                     " is not MIN,NOM,MAX in whole ns of at most 9 digits each"};
    }
    for (std::size_t c = 0; c < 3; ++c) {
      if ((*triple)[c]) *values[c] = *(*triple)[c];
    }
  }
  SetDelayRowLabels(record);
  return std::nullopt;
}

std::optional<RecordBytes> Encoded(const trans& record, std::optional<Failure>& failure) {
  const StoreResult<RecordBytes> encoded = EncodeRecord(record);
  if (!encoded) {
    failure = Failure{kExitUsage, "the record " + QuotedLine(record.name) +
                                      " cannot be stored: " + encoded.error().message};
    return std::nullopt;
  }
  return encoded.value();
}

// ---- the commands ----------------------------------------------------------

struct Command {
  TransceiverStore store;
  double wait = 0;
  std::ostream& out;
};

Failure NoSuchTransceiver(const Command& c, const std::string& name) {
  return {kExitUsage,
          "there is no transceiver " + QuotedLine(name) + " in " + QuotedLine(c.store.path())};
}

// A file whose records are not transceiver records (a text file given as
// --data-file, say) is said so, instead of being listed as nonsense.
std::optional<Failure> ForeignContent(Command& c, const RecordList& records) {
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (const std::optional<std::string> why = WhyNotARecord(records[i].data(), records[i].size())) {
      return Failure{kExitFile, "The file " + QuotedLine(c.store.path()) +
                                    " does not look like a transceiver file: record " +
                                    std::to_string(i + 1) + ": " + *why + "."};
    }
  }
  return std::nullopt;
}

std::optional<Failure> CheckedContent(Command& c) {
  const auto records = Retrying(c.wait, [&] { return c.store.RecordsReadOnly(); });
  if (!records) return FileFailure(records.error());
  return ForeignContent(c, records.value());
}

std::optional<Failure> List(Command& c) {
  if (auto foreign = CheckedContent(c)) return foreign;
  const auto names = Retrying(c.wait, [&] { return c.store.ListRecordNamesReadOnly(); });
  if (!names) return FileFailure(names.error());
  for (const std::string& name : names.value()) c.out << PrintableLine(name) << '\n';
  return std::nullopt;
}

std::optional<Failure> Show(Command& c, const std::string& name) {
  if (auto foreign = CheckedContent(c)) return foreign;
  trans record;
  const auto found =
      Retrying(c.wait, [&] { return c.store.FindRecordByNameReadOnly(name, record); });
  if (!found) return FileFailure(found.error());
  if (!found.value()) return NoSuchTransceiver(c, name);
  c.out << "name:        " << PrintableLine(record.name) << '\n';
  std::string description = record.description;
  c.out << "description: ";
  for (std::size_t start = 0;;) {
    const std::size_t end = description.find("\r\n", start);
    c.out << PrintableLine(description.substr(start, end - start));
    if (end == std::string::npos) break;
    c.out << "\n             ";
    start = end + 2;
  }
  c.out << "\ndelays ns:   min nom max\n";
  for (std::size_t k = 0; k < 4; ++k) {
    c.out << kDelayKinds[k].label << ':' << std::string(12 - std::strlen(kDelayKinds[k].label), ' ')
          << Delay(record, k, 0) << ' ' << Delay(record, k, 1) << ' ' << Delay(record, k, 2)
          << '\n';
  }
  return std::nullopt;
}

std::optional<Failure> Export(Command& c, const std::string& format) {
  const auto records = Retrying(c.wait, [&] { return c.store.RecordsReadOnly(); });
  if (!records) return FileFailure(records.error());
  if (auto foreign = ForeignContent(c, records.value())) return foreign;
  std::vector<trans> decoded;
  for (const RecordBytes& bytes : records.value()) decoded.push_back(DecodeRecord(bytes));
  if (format == "json") {
    WriteJson(decoded, c.out);
  } else {
    WriteCsv(decoded, c.out);
  }
  return std::nullopt;
}

// Runs edit under the file's lock; a refusal it reports writes nothing.
std::optional<Failure> Change(
    Command& c,
    const std::function<std::optional<RecordList>(const RecordList&, std::optional<Failure>&)>&
        edit) {
  std::optional<Failure> refusal;
  const auto updated = Retrying(c.wait, [&] {
    refusal.reset();
    return c.store.Update([&](const RecordList& records) { return edit(records, refusal); });
  });
  if (!updated) return FileFailure(updated.error());
  return refusal;
}

std::optional<Failure> Add(Command& c, const std::string& typed, const Fields& fields) {
  const std::string name = WithoutTrailingBlanks(typed);
  if (auto refusal = NameRefusal(name)) return Failure{kExitUsage, *refusal};
  trans record;
  record.name = name;
  if (auto failure = ApplyFields(fields, record, true)) return failure;
  return Change(
      c,
      [&](const RecordList& records, std::optional<Failure>& refusal) -> std::optional<RecordList> {
        if (IndexOf(records, name)) {
          refusal = Failure{kExitUsage, "a transceiver " + QuotedLine(name) + " is already in " +
                                            QuotedLine(c.store.path())};
          return std::nullopt;
        }
        const std::optional<RecordBytes> bytes = Encoded(record, refusal);
        if (!bytes) return std::nullopt;
        RecordList next = records;
        next.push_back(*bytes);
        return next;
      });
}

// The place of name in records, or nothing with the refusal that it is not there.
std::optional<std::size_t> Existing(Command& c, const RecordList& records, const std::string& name,
                                    std::optional<Failure>& refusal) {
  const std::optional<std::size_t> index = IndexOf(records, name);
  if (!index) refusal = NoSuchTransceiver(c, name);
  return index;
}

std::optional<Failure> Set(Command& c, const std::string& name, const Fields& fields) {
  // Nothing to change is a slip of the command line, not a success.
  const bool anyDelay = std::any_of(fields.delays.begin(), fields.delays.end(),
                                    [](const std::string& d) { return !d.empty(); });
  if (!fields.description && !anyDelay) {
    std::string options = "--description";
    for (const auto& kind : kDelayKinds) options += std::string(", ") + kind.option;
    return Failure{kExitUsage, "set " + QuotedLine(name) + ": nothing to change; give " + options};
  }
  return Change(
      c,
      [&](const RecordList& records, std::optional<Failure>& refusal) -> std::optional<RecordList> {
        const std::optional<std::size_t> index = Existing(c, records, name, refusal);
        if (!index) return std::nullopt;
        trans record = DecodeRecord(records[*index]);
        if (auto failure = ApplyFields(fields, record, false)) {
          refusal = failure;
          return std::nullopt;
        }
        const std::optional<RecordBytes> bytes = Encoded(record, refusal);
        if (!bytes) return std::nullopt;
        RecordList next = records;
        next[*index] = *bytes;
        return next;
      });
}

bool IsDefaultName(const std::string& name) {
  return name == kDefaultNames[0] || name == kDefaultNames[1];
}

std::optional<Failure> Delete(Command& c, const std::string& name) {
  if (IsDefaultName(name)) {
    return Failure{kExitUsage,
                   QuotedLine(name) + " is one of the two default transceivers, which are kept"};
  }
  return Change(
      c,
      [&](const RecordList& records, std::optional<Failure>& refusal) -> std::optional<RecordList> {
        const std::optional<std::size_t> index = Existing(c, records, name, refusal);
        if (!index) return std::nullopt;
        RecordList next = records;
        next.erase(next.begin() + static_cast<std::ptrdiff_t>(*index));
        return next;
      });
}

// The largest file an export can be: that of a full transceiver file whose
// every record has the longest texts JSON writes of any (control characters,
// six bytes each) and the longest delays. Anything larger is no export.
std::uint64_t MaxImportBytes() {
  trans longest;
  longest.name.assign(kMaxNameLength, '\x01');
  longest.description.assign(kMaxDescriptionLength, '\x01');
  for (DelayRow& row : longest.rows) row.min = row.nom = row.max = INT32_MIN;
  std::ostringstream one, two;
  WriteJson({longest}, one);
  WriteJson({longest, longest}, two);
  const std::uint64_t each = two.str().size() - one.str().size();
  return one.str().size() + each * (kMaxRecords - 1);
}

// A file or pipe read in chunks, a byte-order mark at its start skipped, and
// cut off one byte past its limit, so that neither a huge file nor an endless
// pipe fills the memory.
class ImportSource : public std::streambuf {
 public:
  ImportSource(int fd, std::uint64_t limit) : fd_(fd), limit_(limit) {}
  ImportSource(const ImportSource&) = delete;
  ImportSource& operator=(const ImportSource&) = delete;
  ~ImportSource() override { ::close(fd_); }
  bool tooLarge() const { return total_ > limit_; }
  int error() const { return error_; }
  // The first character after blanks, for telling JSON from CSV; nothing is
  // taken from the text.
  int FirstNonBlank() {
    if (sgetc() == traits_type::eof()) return traits_type::eof();
    for (const char* at = gptr(); at < egptr(); ++at) {
      if (std::string_view(" \t\r\n").find(*at) == std::string_view::npos) {
        return traits_type::to_int_type(*at);
      }
    }
    return ' ';
  }

 protected:
  int_type underflow() override {
    if (tooLarge() || error_ != 0) return traits_type::eof();
    ssize_t got = 0;
    do {
      got = ::read(fd_, buffer_, sizeof buffer_);
    } while (got < 0 && errno == EINTR);
    if (got < 0) error_ = errno;
    if (got <= 0) return traits_type::eof();
    char* begin = buffer_;
    if (total_ == 0 && got >= 3 && std::memcmp(buffer_, "\xEF\xBB\xBF", 3) == 0) begin += 3;
    total_ += static_cast<std::uint64_t>(got);
    if (tooLarge()) return traits_type::eof();
    setg(begin, begin, buffer_ + got);
    return begin < buffer_ + got ? traits_type::to_int_type(*begin) : underflow();
  }

 private:
  int fd_;
  std::uint64_t limit_;
  std::uint64_t total_ = 0;
  int error_ = 0;
  char buffer_[64 * 1024];
};

// Whether two records hold the same name, description and delays: what export
// writes of them.
bool SameExportedFields(const trans& a, const trans& b) {
  if (a.name != b.name || a.description != b.description) return false;
  for (std::size_t k = 0; k < 4; ++k) {
    for (std::size_t c = 0; c < 3; ++c) {
      if (Delay(a, k, c) != Delay(b, k, c)) return false;
    }
  }
  return true;
}

std::optional<Failure> Import(Command& c, const std::string& given, const std::string& format) {
  const std::string path = FullPath(given);  // named in full in every message
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    const int err = fd < 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : errno;
    if (fd >= 0) ::close(fd);
    return Failure{kExitFile, "cannot read " + QuotedLine(path) + ": " + std::strerror(err)};
  }
  const std::uint64_t limit = MaxImportBytes();
  const auto tooLarge = [&] {
    return Failure{kExitUsage, QuotedLine(path) +
                                   " is larger than any export of a transceiver file (" +
                                   std::to_string(limit) + " bytes); nothing was imported"};
  };
  if (S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) > limit) {
    ::close(fd);
    return tooLarge();
  }
  ImportSource source(fd, limit);
  std::istream in(&source);
  const bool json = format == "json" || (format.empty() && source.FirstNonBlank() == '[');

  // Each record is held to the editor's rules as soon as it is read.
  RecordList imported;
  std::unordered_set<std::string> names;
  const RecordSink take = [&](trans& r, std::size_t) -> std::optional<std::string> {
    if (imported.size() == kMaxRecords) {
      return "more transceivers than a transceiver file holds (" + std::to_string(kMaxRecords) +
             ")";
    }
    r.name = WithoutTrailingBlanks(r.name);
    if (auto why = NameRefusal(r.name)) return why;
    r.description = StoredLineBreaks(r.description);
    if (r.description.empty()) r.description = " ";
    if (auto why = DescriptionRefusal(r.description)) return why;
    if (!names.insert(r.name).second) return "the name " + QuotedLine(r.name) + " is there twice";
    SetDelayRowLabels(r);
    std::optional<Failure> refusal;
    const std::optional<RecordBytes> bytes = Encoded(r, refusal);
    if (!bytes) return refusal->message;
    imported.push_back(*bytes);
    return std::nullopt;
  };
  std::string error;
  const bool read = json ? ReadJsonRecords(in, take, error) : ReadCsvRecords(in, take, error);
  if (source.error() != 0) {
    return Failure{kExitFile,
                   "cannot read " + QuotedLine(path) + ": " + std::strerror(source.error())};
  }
  if (source.tooLarge()) return tooLarge();
  if (!read) return Failure{kExitUsage, QuotedLine(path) + ": " + error};

  return Change(
      c,
      [&](const RecordList& current, std::optional<Failure>& refused) -> std::optional<RecordList> {
        // By name, the first of each as a look-up finds it: linear in the records.
        std::unordered_map<std::string_view, std::size_t> at;
        for (std::size_t i = 0; i < current.size(); ++i)
          at.emplace(StoredName(current[i].data()), i);
        for (const char* name : kDefaultNames) {
          if (at.count(name) && !names.count(name)) {
            refused = Failure{kExitUsage, QuotedLine(path) +
                                              " leaves out the default transceiver " +
                                              QuotedLine(name) + ", which is kept"};
            return std::nullopt;
          }
        }
        // A record the file already holds as imported keeps its bytes (the
        // defaults have no labels, and export does not carry reserved fields),
        // so that a backup put back is the file it was taken from.
        RecordList next = imported;
        for (RecordBytes& record : next) {
          const auto found = at.find(StoredName(record.data()));
          if (found != at.end() &&
              SameExportedFields(DecodeRecord(current[found->second]), DecodeRecord(record))) {
            record = current[found->second];
          }
        }
        return next;
      });
}

}  // namespace

namespace {

// Where the word "transceiver" stands: first, or after the options the
// subcommand shares (kelvane-calc --data-file F transceiver list); 0 if not.
std::size_t TransceiverWord(const std::vector<std::string>& arguments) {
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (a == "transceiver") return i;
    if (a == "--data-file" || a == "--wait") {
      ++i;  // its value
    } else if (!a.starts_with("--data-file=") && !a.starts_with("--wait=")) {
      return 0;
    }
  }
  return 0;
}

}  // namespace

bool IsTransceiverCommand(const std::vector<std::string>& arguments) {
  return TransceiverWord(arguments) != 0;
}

int RunTransceiverCommand(const std::vector<std::string>& arguments, std::ostream& out,
                          std::ostream& errors) {
  CLI::App app(
      "Keeps the transceiver file that the Kelvane window and --transceiver "
      "use:\n"
      "lists, shows, adds, changes, deletes, exports and imports its records "
      "with\n"
      "the editor's rules (names in upper case, at most 14 characters, no "
      "blank or\n"
      "duplicate name, the two default transceivers kept, texts in "
      "Windows-1252,\n"
      "descriptions of at most 199 characters). A refusal changes nothing.\n"
      "Exit status: 0 done, 2 refused or bad usage, 3 file error.",
      "kelvane-calc transceiver");
  app.set_help_flag("-h,--help", "Show this help and end");
  app.set_help_all_flag("--help-all", "Show the help of every command and end");
  app.get_formatter()->column_width(26);
  app.require_subcommand(1);

  std::string dataFile;
  double wait = 0;
  const CLI::Option* dataFileOption =
      app.add_option("--data-file", dataFile,
                     "The transceiver file (default: ./DataTran.Dat when "
                     "there is one, else the window's own)")
          ->type_name("PATH");
  app.add_option("--wait", wait, "Retry for up to this long while the file is in use (0)")
      ->type_name("SECONDS")
      ->check(CLI::Range(0.0, 86400.0))
      // NaN passes any range; as a duration it would be undefined.
      ->check(CLI::Validator(
          [](const std::string& text) {
            return std::isnan(std::strtod(text.c_str(), nullptr)) ? std::string("not a number")
                                                                   : std::string();
          },
          "", "NotNaN"));

  std::string name, importPath, format, importFormat;
  Fields fields;
  std::string description;
  const auto addFields = [&](CLI::App* sub, bool fresh) {
    sub->add_option("--description", description,
                    fresh ? "Description, at most 199 characters" : "New description")
        ->type_name("TEXT");
    for (std::size_t k = 0; k < 4; ++k) {
      sub->add_option(
             kDelayKinds[k].option, fields.delays[k],
             std::string(kDelayKinds[k].label) +
                 (fresh ? " delays in ns (empty places 0)" : " delays in ns (empty places kept)"))
          ->type_name("MIN,NOM,MAX");
    }
  };

  CLI::App* list = app.add_subcommand("list", "The names, one a line, in file order");
  CLI::App* show = app.add_subcommand("show", "One transceiver's description and delays");
  show->add_option("NAME", name, "Name as stored")->required();
  CLI::App* add = app.add_subcommand("add", "Add a transceiver at the end");
  add->add_option("NAME", name, "Upper case, at most 14 characters")->required();
  addFields(add, true);
  CLI::App* set = app.add_subcommand("set", "Change the given fields of a transceiver");
  set->add_option("NAME", name, "Name as stored")->required();
  addFields(set, false);
  CLI::App* del = app.add_subcommand("delete", "Delete a transceiver");
  del->add_option("NAME", name, "Name as stored")->required();
  CLI::App* exp = app.add_subcommand("export", "Write every transceiver to standard output");
  exp->add_option("--format", format, "csv or json (csv)")
      ->type_name("FORMAT")
      ->check(CLI::IsMember({"csv", "json"}));
  CLI::App* imp = app.add_subcommand("import",
                                     "Replace every transceiver by those of FILE "
                                     "(as export writes it), all or nothing");
  imp->add_option("FILE", importPath, "CSV or JSON file")->required();
  imp->add_option("--format", importFormat, "csv or json (by the file's first character)")
      ->type_name("FORMAT")
      ->check(CLI::IsMember({"csv", "json"}));
  for (CLI::App* sub : {list, show, add, set, del, exp, imp}) sub->fallthrough();

  // The shared options keep their place before the subcommand.
  const auto word = arguments.begin() + static_cast<std::ptrdiff_t>(TransceiverWord(arguments));
  std::vector<std::string> rest(arguments.begin() + 1, word);
  rest.insert(rest.end(), word + 1, arguments.end());
  std::vector<const char*> argv = {"kelvane-calc transceiver"};
  for (const std::string& a : rest) argv.push_back(a.c_str());
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::CallForHelp &) {
    out << app.help();
    return kExitListed;
  } catch (const CLI::CallForAllHelp &) {
    out << app.help("", CLI::AppFormatMode::All);
    return kExitListed;
  } catch (const CLI::ParseError& e) {
    // A subcommand's own --help comes as a CallForHelp from within it.
    std::string text = e.what();
    for (char& ch : text) {
      if (ch == '\n') ch = ' ';
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    errors << "kelvane-calc: transceiver: " << PrintableLine(text) << '\n';
    return kExitUsage;
  }
  if (add->count("--description") || set->count("--description")) fields.description = description;

  if (dataFileOption->count() && dataFile.empty()) {
    errors << "kelvane-calc: transceiver: --data-file: no file given\n";
    return kExitUsage;
  }
  const std::optional<std::string> given =
      dataFileOption->count() ? std::optional<std::string>(dataFile) : std::nullopt;
  const std::string chosen = DataFilePath(given);
  // Full, so that every message names the very file tried.
  Command command{TransceiverStore::AtPath(FullPath(chosen)), wait, out};
  const bool writes = add->parsed() || set->parsed() || del->parsed() || imp->parsed();
  std::error_code absent;
  if (!writes && std::filesystem::status(command.store.path(), absent).type() ==
                     std::filesystem::file_type::not_found) {
    // Reading takes a missing file for an empty one; a name looked for or a
    // list would then mislead.
    errors << "kelvane-calc: " << PrintableLine(MissingDataFileMessage(command.store.path(), given))
           << '\n';
    return kExitFile;
  }
  if (writes && !given && chosen != kDataFileName) {
    // The per-user folder, as the desktop entry makes it before it starts the
    // window.
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(command.store.path()).parent_path(),
                                        ignored);
  }
  std::optional<Failure> failure;
  if (list->parsed()) failure = List(command);
  if (show->parsed()) failure = Show(command, name);
  if (add->parsed()) failure = Add(command, name, fields);
  if (set->parsed()) failure = Set(command, name, fields);
  if (del->parsed()) failure = Delete(command, name);
  if (exp->parsed()) failure = Export(command, format);
  if (imp->parsed()) failure = Import(command, importPath, importFormat);
  out.flush();
  if (!failure && !out) failure = Failure{kExitFile, "cannot write to standard output"};
  if (failure) {
    // Names, keys and paths in a message come from the user: none may steer the terminal.
    errors << "kelvane-calc: " << PrintableLine(failure->message) << '\n';
    return failure->status;
  }
  return kExitListed;
}

}  // namespace kelvane::cli
