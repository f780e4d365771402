#include "framework/CommandLine.h"

#include <string_view>

#include "framework/Framework.h"
#include "framework/OrderedJobs.h"
#include "model/TextPrepass.h"

namespace {

// More threads than this would only queue for the same cores.
constexpr int kMostJobs = 1024;

enum class Option {
  Help,
  Version,
  Console,
  Batch,
  RealTime,
  History,
  LogDir,
  Model,
  Results,
  Jobs,
  Sets,
  Study,
  States,
  Modes,
  Format,
  Init,
  Name,
  RecordEvery,
  NoValidator
};

struct OptionEntry {
  std::string_view name;
  Option option;
  bool takesValue;
};

constexpr OptionEntry kOptions[] = {
    {"--help", Option::Help, false},
    {"--version", Option::Version, false},
    {"--console", Option::Console, false},
    {"--batch", Option::Batch, false},
    {"--real-time", Option::RealTime, false},
    {"--history", Option::History, true},
    {"--log-dir", Option::LogDir, true},
    {"--model", Option::Model, true},
    {"--results", Option::Results, true},
    {"--jobs", Option::Jobs, true},
    {"--sets", Option::Sets, true},
    {"--study", Option::Study, true},
    {"--states", Option::States, false},
    {"--modes", Option::Modes, false},
    {"--format", Option::Format, true},
    {"--init", Option::Init, true},
    {"--name", Option::Name, true},
    {"--record-every", Option::RecordEvery, true},
    {"--no-validator", Option::NoValidator, false},
};

const OptionEntry* FindOption(std::string_view name) {
  for (const OptionEntry& entry : kOptions) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

struct Requests {
  bool console = false;
  bool batch = false;
  bool jobs = false;
  bool sets = false;
  bool others = false;  // any option but --init
  bool recordEvery = false;
};

// The most rows a run may leave out between two it keeps.
constexpr int kMostRecordEvery = 1000000000;
// A run's name with "_summary.csv" appended stays within a file name's 255 bytes.
constexpr std::size_t kLongestRunName = 200;

// A name a person gives a run's files: the portable file name characters
// (letters, digits, '.', '_', '-'), neither hidden nor taken for an option, so
// that "<results>/<name>.csv" names a file in the results folder and nowhere else.
bool IsSafeRunName(const std::string& name) {
  if (name.empty() || name.size() > kLongestRunName || name[0] == '.' || name[0] == '-') {
    return false;
  }
  for (const char c : name) {
    const bool portable = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
    if (!portable) return false;
  }
  return true;
}

// A results folder named with a trailing slash names the same folder; the file
// names are built with one slash.
std::string WithoutTrailingSlashes(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// The options that name a file or a folder. An empty name would be taken for
// the current folder, or prefixed to the result file names as "/".
bool NamesAPath(Option option) {
  return option == Option::History || option == Option::LogDir || option == Option::Study ||
         option == Option::Model || option == Option::Results || option == Option::Init ||
         option == Option::Name;
}

bool ApplyValue(Option option, const std::string& value, Requests& requests,
                CommandLine& commandLine, std::string& error) {
  switch (option) {
    case Option::History:
      commandLine.historyFile = value;
      return true;
    case Option::LogDir:
      commandLine.logDirectory = value;
      return true;
    case Option::Study:
      commandLine.studyFile = value;
      return true;
    case Option::Model:
      commandLine.modelFile = value;
      return true;
    case Option::Init:
      commandLine.initFolder = value;
      return true;
    case Option::Results:
      commandLine.resultsFolder = WithoutTrailingSlashes(value);
      return true;
    case Option::Jobs:
      requests.jobs = true;
      if (ParseWholeNumber(value, 1, kMostJobs, commandLine.jobs)) return true;
      error = "--jobs needs a whole number from 1 to " + std::to_string(kMostJobs) + ", not " +
              QuotedExcerpt(value);
      return false;
    case Option::Sets:
      requests.sets = true;
      return ParseSetRange(value, commandLine.sets, error);
    case Option::Format:
      if (value == "csv" || value == "hdf5") {
        commandLine.resultFormat = value == "csv" ? ResultFormat::kCsv : ResultFormat::kHdf5;
        return true;
      }
      error = "--format needs csv or hdf5, not " + QuotedExcerpt(value);
      return false;
    case Option::Name:
      commandLine.runName = value;
      if (IsSafeRunName(value)) return true;
      error =
          "--name needs a file name of letters, digits, '.', '_' and '-', not starting with "
          "'.' or '-' and at most " +
          std::to_string(kLongestRunName) + " characters, not " + QuotedExcerpt(value);
      return false;
    case Option::RecordEvery:
      requests.recordEvery = true;
      if (ParseWholeNumber(value, 1, kMostRecordEvery, commandLine.recordEvery)) return true;
      error = "--record-every needs a whole number from 1 to " + std::to_string(kMostRecordEvery) +
              ", not " + QuotedExcerpt(value);
      return false;
    default:
      return true;
  }
}

void ApplyFlag(Option option, Requests& requests, CommandLine& commandLine) {
  switch (option) {
    case Option::Help:
      commandLine.showHelp = true;
      break;
    case Option::Version:
      commandLine.showVersion = true;
      break;
    case Option::Console:
      requests.console = true;
      break;
    case Option::Batch:
      requests.batch = true;
      break;
    case Option::RealTime:
      commandLine.realTimePacing = true;
      break;
    case Option::States:
      commandLine.writeStates = true;
      break;
    case Option::Modes:
      commandLine.writeModes = true;
      break;
    case Option::NoValidator:
      commandLine.skipValidator = true;
      break;
    default:
      break;
  }
}

// One "--name", "--name value" or "--name=value" at argv[i]; `i` moves past the
// value when it is the next word.
bool ParseOption(int argc, char** argv, int& i, Requests& requests, CommandLine& commandLine,
                 std::string& error) {
  const std::string word = argv[i];
  const std::size_t equals = word.find('=');
  const std::string name = word.substr(0, equals);
  const OptionEntry* entry = FindOption(name);
  if (entry == nullptr) {
    error = "unknown option " + Excerpt(name);
    return false;
  }
  if (entry->option != Option::Init) requests.others = true;
  if (!entry->takesValue) {
    if (equals != std::string::npos) {
      error = name + " takes no value";
      return false;
    }
    ApplyFlag(entry->option, requests, commandLine);
    return true;
  }
  const bool nextWord = equals == std::string::npos;
  if (nextWord && i + 1 >= argc) {
    error = name + " needs a value";
    return false;
  }
  const std::string value = nextWord ? argv[i + 1] : word.substr(equals + 1);
  // "--results --console" forgot the folder: the next option is no folder's name.
  if (NamesAPath(entry->option) && (value.empty() || (nextWord && value.starts_with("--")))) {
    error = name + " needs a value";
    return false;
  }
  if (nextWord) ++i;
  return ApplyValue(entry->option, value, requests, commandLine, error);
}

// Console and batch runs replay a history; the window runs without a history
// take the lever's inputs.
bool ResolveFlags(const Requests& requests, CommandLine& commandLine, std::string& error) {
  if (!commandLine.initFolder.empty()) {
    if (!requests.others && commandLine.windowArguments.size() <= 1) return true;
    error = "--init DIR takes no other option or argument";
    return false;
  }
  const bool study = !commandLine.studyFile.empty();
  const bool consoleRun = requests.console || requests.batch || study;
  if (requests.console && requests.batch) {
    error = "--console and --batch cannot be combined";
  } else if (study && (requests.console || requests.batch)) {
    error = std::string("--study cannot be combined with ") +
            (requests.console ? "--console" : "--batch");
  } else if (consoleRun && commandLine.historyFile.empty()) {
    error = std::string(study              ? "--study"
                        : requests.console ? "--console"
                                           : "--batch") +
            " needs --history FILE";
  } else if (study && !commandLine.logDirectory.empty()) {
    error = "--log-dir applies to console, batch and window runs only";
  } else if (commandLine.realTimePacing && consoleRun) {
    error = "--real-time applies to the window runs only";
  } else if ((requests.jobs || requests.sets) && !requests.batch && !study) {
    error = std::string(requests.jobs ? "--jobs" : "--sets") +
            " applies to batch runs and studies only";
  } else if (!commandLine.runName.empty() && !requests.console) {
    error =
        "--name applies to console runs only; a batch or study names its files by set or "
        "case, and a window run by its number";
  } else if (requests.recordEvery && !consoleRun) {
    error = "--record-every applies to console, batch and study runs only";
  } else if (commandLine.skipValidator && !requests.console && !requests.batch) {
    error = "--no-validator applies to console and batch runs only";
  } else if (consoleRun && commandLine.windowArguments.size() > 1) {
    error = "unexpected argument " + QuotedExcerpt(commandLine.windowArguments[1]) +
            ": window system arguments apply to the window runs only";
  }
  if (!error.empty()) return false;
  if (requests.batch) {
    commandLine.flags = Framework::kRequestBatchRun;
  } else if (requests.console || study) {
    commandLine.flags = 0;
  } else if (!commandLine.historyFile.empty()) {
    commandLine.flags = Framework::kRequestGraphicsDisplay;
  } else {
    commandLine.flags = Framework::kRequestRealTimeExternalForce;
  }
  return true;
}

}  // namespace

// Words of a single dash ("-display :1", "-geometry 800x600") belong to the
// window system, so short options are not bundled: "-h" is the only one.
bool ParseCommandLine(int argc, char** argv, CommandLine& commandLine, std::string& error) {
  commandLine = CommandLine();
  commandLine.jobs = DefaultJobCount();
  Requests requests;
  if (argc > 0) commandLine.windowArguments.push_back(argv[0]);
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (optionsEnded || word.substr(0, 2) != "--") {
      if (!optionsEnded && word == "-h") {
        commandLine.showHelp = true;
      } else {
        commandLine.windowArguments.push_back(argv[i]);
      }
    } else if (word == "--") {
      optionsEnded = true;
    } else if (!ParseOption(argc, argv, i, requests, commandLine, error)) {
      return false;
    }
  }
  if (commandLine.showHelp || commandLine.showVersion) return true;
  return ResolveFlags(requests, commandLine, error);
}

const char* UsageText() {
  return "Usage: kelvra [OPTIONS] [window system arguments]\n"
         "Runs the railway vehicle simulator in the current folder, which holds\n"
         "combined_train17_GEN.in, combined_styles_GEN.in, fonts/, textures/ and results/;\n"
         "kelvra --init DIR makes such a folder.\n"
         "\n"
         "Without options the real-time window opens: drive the vehicle with the lever.\n"
         "\n"
         "Options (each value also as --option=VALUE):\n"
         "  --history FILE   replay the external force history FILE in the window\n"
         "  --console        with --history: replay it on the console, timed, then run the "
         "validator\n"
         "  --batch          with --history: replay it for every parameter set of "
         "batch_paramsets.in\n"
         "  --jobs N         batch runs and studies: run N sets or cases at once (default:\n"
         "                   one per core), with the console text and files of a run of one\n"
         "                   after another\n"
         "  --sets A-B       batch runs and studies: only sets or cases A to B (from 1; or\n"
         "                   --sets N for one), numbered and named as in the whole run\n"
         "  --real-time      window runs: step as often as keeps simulated time with the wall "
         "clock\n"
         "  --study FILE     with --history: a console run for every case of the parameter\n"
         "                   study FILE, without the validator\n"
         "  --states         also write each run's linear states beside its time series\n"
         "  --modes          also write the modes of the model, without and with the wheels\n"
         "                   rolling, as <run>_modes.csv beside the run's files\n"
         "  --format FORMAT  csv (default): each run's time series, states and summary as\n"
         "                   CSV files; hdf5: as one HDF5 file <run>.h5 in their place\n"
         "  --name NAME      console runs: name the run's files NAME.csv, NAME_summary.csv,\n"
         "                   NAME.txt, NAME.json, ... in the results folder\n"
         "  --record-every N console, batch and study runs: keep every N-th step's row\n"
         "                   (and the first) in the time series and the states; the\n"
         "                   summaries still see every step\n"
         "  --no-validator   console and batch runs: skip the validator and the reference\n"
         "                   integration of the run's model, and their comparison\n"
         "  --model FILE     read the model from FILE (default combined_train17_GEN.in)\n"
         "  --results DIR    write the result files into DIR, which must exist (default "
         "results)\n"
         "  --log-dir DIR    after the set-up, write every module's log into DIR\n"
         "  --init DIR       make DIR a working folder: the model, styles, pictures, demo\n"
         "                   history, batch and study files and results/, copied from the\n"
         "                   installed data; refused where DIR holds any of them\n"
         "  -h, --help       show this text\n"
         "  --version        show the program's version\n"
         "\n"
         "Every console, batch, study and window run also writes a record of itself,\n"
         "<run>.json (batch.json, study.json, realtime_<n>.json): command line, inputs and\n"
         "their SHA-256, settings, exit status and every file written with its columns\n"
         "and units.\n"
         "\n"
         "Exit status:\n"
         "  0  the run went through and every result file was written\n"
         "  1  the set-up failed (its reason is printed), another run uses the results\n"
         "     folder, a batch set or a study case could not run, a result file or a log\n"
         "     could not be written, or memory ran out\n"
         "     (said on stderr)\n"
         "  2  a wrong option\n";
}

const char* VersionText() {
  return "kelvra " KELVRA_VERSION "\n";
}
