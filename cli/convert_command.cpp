#include "convert_command.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "file_conversion.h"
#include "outcome_texts.h"
#include "report_buffer.h"
#include "target_name.h"
#include "tarnwick_version.h"
#include "utf8_path.h"
#include "written_targets.h"

namespace tarnwick {

namespace {

constexpr std::string_view kProgram = "tarnwick-convert";

// The first separator is the one the programs write.
#ifdef _WIN32
constexpr std::string_view kSeparators = "\\/:";
#else
constexpr std::string_view kSeparators = "/";
#endif

constexpr std::string_view kUsage =
    "Usage: tarnwick-convert [--output-dir DIR] FILE...\n"
    "Converts each FSX flight plan FILE into the FS9 flight plan \"FS9_\" + its name,\n"
    "written beside FILE, or into DIR. An existing plan of that name is replaced.\n"
    "A FILE that is a folder stands for the .pln files in it, except the FS9_ plans.\n"
#ifdef _WIN32
    "A FILE holding * or ? stands for the files it matches, in name order.\n"
#endif
    "\n"
    "Options:\n"
    "  -o, --output-dir DIR  write the FS9 plans into DIR\n"
    "  -h, --help            show this help and exit\n"
    "      --version         show the version and exit\n"
    "      --                treat every later argument as a FILE\n"
    "\n"
    "Exit status: 0 when every FILE was converted, 1 when any was not, 2 for a usage error.\n";

struct Options {
  std::optional<std::string> outputDir;
  std::vector<std::string> files;
  bool help = false;
  bool version = false;
};

// Parses the arguments; the text of a usage error otherwise.
std::optional<std::string> ParseArguments(const std::vector<std::string>& arguments,
                                          Options& options) {
  bool onlyFiles = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (onlyFiles || argument.size() < 2 || argument[0] != '-') {
      options.files.push_back(argument);
    } else if (argument == "--") {
      onlyFiles = true;
    } else if (argument == "-h" || argument == "--help") {
      options.help = true;
    } else if (argument == "--version") {
      options.version = true;
    } else if (argument == "-o" || argument == "--output-dir") {
      if (i + 1 == arguments.size()) return "option '" + argument + "' needs a folder";
      options.outputDir = arguments[++i];
    } else if (argument.rfind("--output-dir=", 0) == 0) {
      options.outputDir = argument.substr(std::string_view("--output-dir=").size());
    } else {
      return "unknown option '" + argument + "'";
    }
  }
  if (!options.help && !options.version && options.files.empty()) return "no FILE given";
  return std::nullopt;
}

// What the user is told of a source that could not be read: clearer than a wrong format.
std::string SourceProblem(const ConversionReport& report) {
  switch (report.sourceKind) {
    case FileKind::Missing:
      return "no such file";
    case FileKind::Directory:
      return "is a folder";
    case FileKind::Other:
      return "is not a regular file";
    case FileKind::Regular:
      break;
  }
  return "cannot be read: " + report.reason;
}

// Each waypoint of the source that has no line in the target, as editors read it: FILE:LINE.
class LossWarnings : public ConversionObserver {
 public:
  LossWarnings(const std::string& source, const CaseRules& rules, std::ostream& err)
      : source_(source), rules_(rules), err_(err) {}

  void WaypointLeftOut(const LeftOutWaypoint& waypoint) override {
    // An element without id or ident has no name to give. The identifier is in the plan's code
    // page; messages are UTF-8.
    err_ << kProgram << ": " << source_ << ':' << waypoint.line << ": waypoint "
         << (waypoint.identifier.empty() ? "" : rules_.Utf8Text(waypoint.identifier) + " ")
         << "left out: " << Loss(waypoint.loss) << std::endl;
  }

 private:
  static std::string_view Loss(WaypointLoss loss) {
    switch (loss) {
      case WaypointLoss::NoType:
        return "it has no type";
      case WaypointLoss::NoPosition:
        return "it has no position";
      case WaypointLoss::PlanEnds:
        break;
    }
    return "the plan ends inside it";
  }

  const std::string& source_;
  const CaseRules& rules_;
  std::ostream& err_;
};

std::string Waypoints(std::int64_t count) {
  return std::to_string(count) + (count == 1 ? " waypoint" : " waypoints");
}

bool ConvertOne(const std::string& source, const Options& options, const CaseRules& rules,
                WrittenTargets& written, std::ostream& out, std::ostream& err) {
  const std::string target = TargetPathFor(source, options.outputDir);
  if (const std::optional<std::string> first = written.SourceOf(target)) {
    err << kProgram << ": " << source << ": the FS9 plan " << target << " was already written from "
        << *first << " in this run" << std::endl;
    return false;
  }
  LossWarnings warnings(source, rules, err);
  const ConversionReport report =
      ConvertFlightPlan(Utf8Path(source), Utf8Path(target), rules, &warnings);
  std::string problem;
  switch (report.result) {
    case ConversionResult::Converted:
      written.Add(target, source);
      out << source << " -> " << target << " (" << Waypoints(report.waypoints) << ")" << std::endl;
      return true;
    case ConversionResult::NotFsxPlan:
      problem = WrongFormatText;
      break;
    case ConversionResult::SourceNotReadable:
      problem = SourceProblem(report);
      break;
    case ConversionResult::TargetNotWritten:
      problem = "the FS9 plan " + target + " could not be written: " + report.reason;
      if (!report.keptAs.empty()) {
        problem += "; the FS9 plan is kept as " + Utf8Text(report.keptAs) + " instead";
      }
      break;
  }
  err << kProgram << ": " << source << ": " << problem << std::endl;
  return false;
}

std::string Joined(std::string folder, std::string_view name) {
  if (!folder.empty() && kSeparators.find(folder.back()) == std::string_view::npos) {
    folder += kSeparators.front();
  }
  return folder + std::string(name);
}

bool HasPlanExtension(std::string_view name) {
  return name.size() >= 4 && Windows1252CaseRules().Lower(name.substr(name.size() - 4)) == ".pln";
}

// The plans a folder stands for: the .pln files directly in it, in any letter case, in name
// order, without the FS9 plans this tool writes, so that converting a folder twice never
// converts its own output. None, with the error, when the folder cannot be read.
std::vector<std::string> PlansInFolder(const std::string& folder, std::error_code& error) {
  std::vector<std::string> names;
  std::filesystem::directory_iterator entry(Utf8Path(folder), error);
  for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
    const std::string name = Utf8Text(entry->path().filename());
    std::error_code ignored;
    if (HasPlanExtension(name) && !IsTargetName(name) && entry->is_regular_file(ignored)) {
      names.push_back(name);
    }
  }
  if (error) return {};
  std::sort(names.begin(), names.end());
  std::vector<std::string> plans;
  for (const std::string& name : names) plans.push_back(Joined(folder, name));
  return plans;
}

bool IsSlash(char c) { return c == '\\' || c == '/'; }

// Whether FILE holds * or ?, past the prefix of a Windows path written as \\?\C:\... or
// \\.\C:\..., whose question mark is part of the path, not a pattern.
bool HoldsPattern(std::string_view file) {
  const bool prefixed = file.size() >= 4 && IsSlash(file[0]) && IsSlash(file[1]) &&
                        (file[2] == '?' || file[2] == '.') && IsSlash(file[3]);
  return file.find_first_of("*?", prefixed ? 4 : 0) != std::string_view::npos;
}

// The plans one FILE operand stands for; empty, with the reason told, when it stands for none.
std::vector<std::string> PlansOf(const std::string& file, const PatternExpander& expandPattern,
                                 std::ostream& err) {
  if (expandPattern && HoldsPattern(file)) {
    std::vector<std::string> matches = expandPattern(file);
    if (matches.empty()) err << kProgram << ": " << file << ": no such file" << std::endl;
    return matches;
  }
  if (KindOf(Utf8Path(file)) != FileKind::Directory) return {file};
  std::error_code error;
  std::vector<std::string> plans = PlansInFolder(file, error);
  if (error) {
    err << kProgram << ": " << file << ": cannot be read: " << ErrorText(error) << std::endl;
  } else if (plans.empty()) {
    err << kProgram << ": " << file << ": no .pln plan in this folder" << std::endl;
  }
  return plans;
}

// Whether the report on `out` was lost; if it was, says why on `err`: the system's error where
// its buffer kept one.
bool ReportLost(std::ostream& out, std::ostream& err) {
  out.flush();
  std::error_code lost = out ? std::error_code() : std::make_error_code(std::errc::io_error);
  if (const auto* buffer = dynamic_cast<const ReportBuffer*>(out.rdbuf())) {
    if (buffer->Error()) lost = buffer->Error();
  }
  if (lost) err << kProgram << ": write error: " << ErrorText(lost) << std::endl;
  return static_cast<bool>(lost);
}

}  // namespace

std::string TargetPathFor(std::string_view source, std::optional<std::string_view> outputDir) {
  const std::size_t separator = source.find_last_of(kSeparators);
  const std::size_t nameStart = separator == std::string_view::npos ? 0 : separator + 1;
  const std::string name = TargetNameFor(source.substr(nameStart));
  if (!outputDir) return std::string(source.substr(0, nameStart)) + name;
  return Joined(std::string(*outputDir), name);
}

int RunConvertCommand(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err, const CaseRules& rules,
                      const PatternExpander& expandPattern) {
  Options options;
  if (const auto usageError = ParseArguments(arguments, options)) {
    err << kProgram << ": " << *usageError << "\nTry '" << kProgram << " --help'.\n";
    return 2;
  }
  if (options.help || options.version) {
    if (options.help) {
      out << kUsage;
    } else {
      out << kProgram << ' ' << TARNWICK_VERSION << '\n';
    }
    return ReportLost(out, err) ? 1 : 0;
  }
  bool allConverted = true;
  WrittenTargets written;
  for (const std::string& file : options.files) {
    const std::vector<std::string> plans = PlansOf(file, expandPattern, err);
    if (plans.empty()) allConverted = false;
    for (const std::string& plan : plans) {
      allConverted = ConvertOne(plan, options, rules, written, out, err) && allConverted;
    }
  }
  // A report that never reached its file is no success, though every plan was converted.
  if (ReportLost(out, err)) return 1;
  return allConverted ? 0 : 1;
}

}  // namespace tarnwick
