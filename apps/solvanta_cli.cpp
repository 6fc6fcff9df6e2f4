// solvanta-cli: the quasi-geoid calculator's run on a working folder, without a window.
#ifdef ORVANE_IMPORTER_BESIDE
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <set>
#include <string>
#include <string_view>

#include "common/command_line.h"
#include "common/cp1250.h"
#include "common/folder_lock.h"
#include "common/platform.h"
#include "common/process_start.h"
#include "common/run_outcome.h"
#include "common/work_folder.h"
#include "quasigeoid/calculator_run.h"
#ifdef ORVANE_MODEL_IMPORT
#include "quasigeoid/import/model_import.h"
#endif
#include "quasigeoid/model_catalogue.h"
#include "quasigeoid/model_grid.h"

namespace {

// The name in messages. The importer run by solvanta-cli --import-model speaks as solvanta-cli,
// whose name it is given; started on its own, it gives its own.
#ifdef ORVANE_MODEL_IMPORT
std::string_view programName = "solvanta-import-model";
#else
constexpr std::string_view programName = "solvanta-cli";
#endif

// The jobs of the program; each option names those it belongs to.
enum Mode : unsigned { kCalculate = 1, kListModels = 2, kImport = 4 };

#ifdef ORVANE_MODEL_IMPORT
const char* const kHelp =
    "Usage: solvanta-import-model --import-model SOURCE TARGET.bin [--name NAME]\n"
    "                             [--height-system LABEL] [--description TEXT]\n"
    "                             [--source TEXT] [--licence TEXT]\n"
    "\n"
    "Makes a quasi-geoid model of a GeoTIFF, GTX, ISG or XYZ text grid (latitude, longitude,\n"
    "N in metres per line) whose nodes lie on the 0.01-degree lattice inside 48..56 N,\n"
    "13..25 E; values are rounded to 0.01 mm. Anything else is refused (exit status 1, nothing\n"
    "written). solvanta-cli --import-model runs this program, which alone links the grid\n"
    "readers, so that solvanta-cli starts fast.\n"
    "\n"
    "Options (they fill the model's record TARGET.model):\n"
    "  --name NAME            default: the TARGET's name\n"
    "  --height-system LABEL  the label of the result lines; default: from the source when it\n"
    "                         says, e.g. PL-EVRF2007-NH\n"
    "  --description TEXT, --source TEXT, --licence TEXT\n"
    "  --version              the version of the suite\n"
    "  --help                 this text\n"
    "\n"
    "Exit status: 0 when the model was written, 1 when the grid was refused, 2 on a usage error.\n";
#else
const char* const kHelp =
    "Usage: solvanta-cli --frame etrf89|etrf2000 [--folder DIR] [--tasks LIST] [--model NAME|FILE]\n"
    "                    [--height-system LABEL] [--coordinates dms|deg|pl2000|pl1992|xyz]\n"
    "       solvanta-cli --list-models\n"
    "       solvanta-cli --import-model SOURCE TARGET.bin [--name NAME] [--height-system LABEL]\n"
    "                    [--description TEXT] [--source TEXT] [--licence TEXT]\n"
    "\n"
    "Interpolates the height anomaly N of a quasi-geoid model (and the deflections of the\n"
    "vertical KSI, ETA) for the point lists of a working folder, converts heights between the\n"
    "ellipsoid and the model's normal heights, and turns GNSS height differences into normal\n"
    "height differences. Results are written beside the inputs. The default model is\n"
    "PL-geoid2021 (normal heights in PL-EVRF2007-NH, the height system in force in Poland).\n"
    "\n"
    "Options:\n"
    "  --frame F      frame of the ellipsoidal heights and of N: etrf89 (PL-ETRF89) or\n"
    "                 etrf2000 (PL-ETRF2000, epoch 2011.00); required\n"
    "  --folder DIR   working folder (default: the current directory)\n"
    "  --tasks LIST   comma-separated tasks to enable: bl, blh_e, blh_n, sat, kron86,\n"
    "                 evrf2007 (default: all);\n"
    "                 a task runs when it is enabled and its input exists\n"
    "  --model M      the model: a NAME from --list-models, a grid file's name beside this\n"
    "                 program (or in PREFIX/share/orvane), or a path with a \"/\" (./grid.bin\n"
    "                 for one here); default: the model chosen in orvane.ini (the user's\n"
    "                 ~/.config/orvane/orvane.ini, then the one beside the program, then\n"
    "                 /etc/orvane/orvane.ini; one that cannot be found stops the run), else\n"
    "                 PL-geoid2021. The first line printed names the model and its heights\n"
    "  --height-system LABEL\n"
    "                 the normal heights of a grid file without its .model record, e.g.\n"
    "                 PL-KRON86-NH: required for any such file but the original\n"
    "                 solvanta_2008QG.bin (with --import-model: the label of the new model)\n"
    "  --coordinates C  how the point lists give positions: dms (degrees, minutes, seconds;\n"
    "                 default), deg (decimal degrees B L), pl2000 (x y in PL-2000, zone 5-8 from\n"
    "                 the leading digit of y), pl1992 (x y in PL-1992), xyz (geocentric X Y Z\n"
    "                 in the run's frame; in BLH_e they give He themselves)\n"
    "  --list-models  the models (beside this program, else in PREFIX/share/orvane): name,\n"
    "                 height system, description\n"
    "  --import-model SOURCE TARGET.bin\n"
    "                 makes a model of a GeoTIFF, GTX, ISG or XYZ text grid (latitude,\n"
    "                 longitude, N in metres per line) whose nodes lie on the 0.01-degree\n"
    "                 lattice inside 48..56 N, 13..25 E; values are rounded to 0.01 mm. Anything\n"
    "                 else is refused (exit status 1, nothing written). --name (default: the\n"
    "                 TARGET's name), --height-system (the label of the result lines; default:\n"
    "                 from the source when it says, e.g. PL-EVRF2007-NH), --description,\n"
    "                 --source and --licence fill the model's record TARGET.model\n"
    "  --version      the version of the suite\n"
    "  --help         this text\n"
    "\n"
    "Options of one kind of run are refused in another (--frame with --list-models, --name\n"
    "without --import-model) as usage errors.\n"
    "\n"
    "Tasks, input -> result (names matched without regard to letter case):\n"
    "  bl     BL -> BLN          N with KSI and ETA\n"
    "  blh_e  BLH_e -> BLH_n.1   normal height Hn = He - N from the ellipsoidal height He\n"
    "  blh_n  BLH_n -> BLH_e.1   ellipsoidal height He = Hn + N from the normal height Hn\n"
    "  sat    DELTAH.gps + BLH.grs -> DELTAH1   satellite levelling: dH(norm) = dH(elips) - dN\n"
    "  kron86    H_KRON86 -> h_evrf2007.1   PL-KRON86-NH heights to PL-EVRF2007-NH, by the\n"
    "            difference of the models PL-geoid2011-KRON86 and PL-geoid2011-EVRF2007 (as\n"
    "            EPSG:9662); with pl2000 or pl1992 also xyh.sta -> xyh_evrf2007.sta\n"
    "  evrf2007  H_EVRF2007 -> h_kron86.1   the other way\n"
    "\n"
    "Input records (Windows-1250 text, one point per line, fields separated by blanks, commas,\n"
    "semicolons or tabs; decimal point \".\"; fields after the last one used are ignored; a line\n"
    "whose first field is 0 is skipped):\n"
    "  BL, BLH_e, BLH_n  Nr Bdeg Bmin Bsec Ldeg Lmin Lsec [H]   (H: He in BLH_e, Hn in BLH_n)\n"
    "                    or by --coordinates: Nr B L [H], Nr x y [H] (x north, y east, metres),\n"
    "                    Nr X Y Z [Hn]; result lines repeat the coordinates as written\n"
    "  H_KRON86, H_EVRF2007  Nr coordinates H   (as BLH_n)\n"
    "  BLH.grs           Nr Bdeg Bmin Bsec Ldeg Lmin Lsec ...   (approximate positions)\n"
    "  DELTAH.gps        NrI NrJ dH 1/w   (dH = H(NrJ) - H(NrI) ellipsoidal, metres; 1/w the\n"
    "                    squared mean error of dH, m^2, copied to DELTAH1)\n"
    "Point numbers count to 16 characters, letter case significant. The model covers\n"
    "48..56 N and 13..25 E.\n"
    "\n"
    "Result lines (Windows-1250, CR LF):\n"
    "  BLN      Nr B(d m s) L(d m s) N KSI = k[\"] ETA = e[\"]  frame\n"
    "  BLH_n.1  Nr B L Hn KSI = k[\"]  ETA = e[\"]  HEIGHT-SYSTEM z  frame  (the model's label)\n"
    "  BLH_e.1  Nr B L He  frame\n"
    "  h_evrf2007.1, h_kron86.1  Nr coordinates H dH  HEIGHT-SYSTEM  (H in the other system)\n"
    "  DELTAH1  NrI NrJ dH(norm) 1/w frame, ended by the record 0 0 0 0: an observation file\n"
    "           of the levelling adjustment (kvel-cli)\n"
    "Bad records, points outside the model's area and points where the model has no data\n"
    "(\"punkt poza zasięgiem modelu\") get a message line with \"***\" in place of their\n"
    "result; a DELTAH1 with such lines must be corrected before it is adjusted.\n"
    "\n"
    "Messages go to standard error. Exit status: 0 when the run reached \" koniec oblicze\xc5\x84 \",\n"
    "1 when it ended early (no input, a file error) or the program had to end (model file\n"
    "missing or damaged, a bad BLH.grs record, more than 100000 points in BLH.grs), 2 on a\n"
    "usage error.\n";
#endif

// The terminal as host of the run: the task switches come from --tasks, message boxes become
// lines on standard error and return at once.
class TerminalHost : public solvanta::CalculatorHost {
 public:
  explicit TerminalHost(std::set<solvanta::TaskSwitch> tasks) : tasks_(std::move(tasks)) {}

  bool IsTaskSwitchSet(solvanta::TaskSwitch task) override { return tasks_.count(task) != 0; }
  void HighlightPanel(solvanta::ResultPanel) override {}
  void AdvanceGauge(int) override {}
  void CloseProgressWindow() override {}
  void ShowMessage(const std::string& text) override { Print(text); }
  void ShowInformation(const std::string& text) override { Print(text); }
  void ReportModel(const std::string& text) override { Print(text); }

 private:
  static void Print(const std::string& text) { std::cerr << orvane::FromCp1250(text) << std::endl; }
  std::set<solvanta::TaskSwitch> tasks_;
};

int UsageError(const std::string& text) { return orvane::UsageError(programName, text); }

// One line per model beside the program: name, height-system label, description.
int ListModels() {
  for (const solvanta::ModelEntry& model : solvanta::FindModels(solvanta::ModelFolder(orvane::ExecutableDirectory()))) {
    std::cout << model.info.name << "  " << model.info.heightSystem << "  " << model.info.description << "\n";
  }
  return 0;
}

struct ImportRequest {
  std::string source;
  std::string target;
  std::string name;
  std::string heightSystem;
  std::string description;
  std::string sourceText;
  std::string licence;
};

#ifdef ORVANE_MODEL_IMPORT

// --import-model: exact or refused; on refusal nothing is written.
int ImportModel(const ImportRequest& request) {
  auto refuse = [&request](const std::string& why) {
    std::cerr << programName << ": " << request.source << " is not imported: " << why << "\n";
    return 1;
  };
  solvanta::ImportedGrid grid;
  std::string problem;
  if (!solvanta::ReadForeignGrid(request.source, grid, problem)) return refuse(problem);
  solvanta::ModelInfo info;
  info.hasRecord = true;
  info.name = request.name.empty() ? solvanta::BareModelInfo(request.target).name : request.name;
  // The name is offered in the window, kept in orvane.ini and given to --model: one line, no path.
  for (const char c : info.name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == '/' || c == '=')
      return refuse("the model name '" + info.name + "' may hold no '/', '=' or control character");
  }
  info.heightSystem = request.heightSystem;
  if (info.heightSystem.empty() && grid.heightSystemEpsg == solvanta::kEvrf2007NhEpsg) info.heightSystem = solvanta::kEvrf2007Label;
  if (info.heightSystem.empty() && grid.heightSystemEpsg == solvanta::kKron86NhEpsg) info.heightSystem = solvanta::kKron86Label;
  if (info.heightSystem.empty()) return refuse("the source does not say its height system; give --height-system LABEL");
  if (!solvanta::IsValidHeightSystemLabel(info.heightSystem))
    return refuse("the height-system label '" + info.heightSystem + "' must be 1 to 24 characters without blanks");
  info.heightSystemEpsg = solvanta::HeightSystemEpsg(info.heightSystem);
  info.description = !request.description.empty() ? request.description
                     : !grid.description.empty()  ? grid.description
                                                  : "Model quasi-geoidy " + info.name + " (" + info.heightSystem + ")";
  info.source = request.sourceText.empty() ? solvanta::FileNameOf(request.source) : request.sourceText;
  info.licence = request.licence.empty() ? grid.copyright : request.licence;
  if (!solvanta::WriteModel(request.target, grid, info, problem)) return refuse(problem);
  std::cout << solvanta::ImportSummary(grid, info, request.target);
  return 0;
}
#elif defined(ORVANE_IMPORTER_BESIDE)
// The import reads foreign grids through GDAL, whose libraries take longer to load than a whole
// point list takes to convert; so solvanta-cli hands an import to its twin beside it, which is
// this program built with the importer, and starts without them.
int StartImporter(char** argv) {
  const std::string importer = orvane::ExecutableDirectory() + "/solvanta-import-model";
  ::execv(importer.c_str(), argv);
  std::cerr << "solvanta-cli: the model importer " << importer << " cannot be started: " << std::strerror(errno)
            << "\n";
  return 1;
}
#else
// A build without GDAL (the one for Windows) has no importer: models are made on Linux.
int StartImporter(char**) {
  std::cerr << "solvanta-cli: this build has no model import (it needs GDAL); import the grid with the Linux "
               "build and put NAME.bin and NAME.model beside this program\n";
  return 1;
}
#endif

bool ParseTasks(std::string_view list, std::set<solvanta::TaskSwitch>& tasks, std::string& bad) {
  tasks.clear();
  while (!list.empty()) {
    const auto comma = list.find(',');
    const std::string_view name = list.substr(0, comma);
    if (name == "bl") {
      tasks.insert(solvanta::TaskSwitch::Bl);
    } else if (name == "blh_e") {
      tasks.insert(solvanta::TaskSwitch::BlhE);
    } else if (name == "blh_n") {
      tasks.insert(solvanta::TaskSwitch::BlhN);
    } else if (name == "sat") {
      tasks.insert(solvanta::TaskSwitch::SatelliteLevelling);
    } else if (name == "kron86") {
      tasks.insert(solvanta::TaskSwitch::Kron86);
    } else if (name == "evrf2007") {
      tasks.insert(solvanta::TaskSwitch::Evrf2007);
    } else if (!name.empty()) {
      bad = std::string(name);
      return false;
    }
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  orvane::PrepareProcess();
  argv = orvane::platform::Utf8Arguments(argc, argv);
  solvanta::ReferenceFrame frame = solvanta::ReferenceFrame::None;
  std::string folder = ".";
  std::string model;
  ImportRequest import;
  solvanta::CalculationOptions options;
  std::set<solvanta::TaskSwitch> tasks = {solvanta::TaskSwitch::Bl, solvanta::TaskSwitch::BlhE,
                                          solvanta::TaskSwitch::BlhN, solvanta::TaskSwitch::SatelliteLevelling,
                                          solvanta::TaskSwitch::Kron86, solvanta::TaskSwitch::Evrf2007};
  // --import-model takes SOURCE as its value; TARGET.bin is the one positional argument it allows.
  static constexpr orvane::CommandOption kOptions[] = {
      {"--frame", true, kCalculate},
      {"--folder", true, kCalculate},
      {"--tasks", true, kCalculate},
      {"--model", true, kCalculate},
      {"--list-models", false, kListModels, kListModels},
      {"--import-model", true, kImport, kImport},
      {"--name", true, kImport},
      {"--height-system", true, kImport | kCalculate},
      {"--description", true, kImport},
      {"--source", true, kImport},
      {"--licence", true, kImport},
      {"--coordinates", true, kCalculate}};
  orvane::CommandLine line = orvane::ParseCommandLine(argc, argv, kOptions);
#ifdef ORVANE_MODEL_IMPORT
  if (argc > 0 && std::string_view(argv[0]).ends_with("solvanta-cli")) programName = "solvanta-cli";
  constexpr unsigned kDefaultMode = kImport;
#else
  constexpr unsigned kDefaultMode = kCalculate;
#endif
  const unsigned mode = orvane::ResolveMode(line, kOptions, kDefaultMode);
  if (const int status = orvane::EarlyExit(line, programName, kHelp, true); status >= 0) return status;
#ifdef ORVANE_MODEL_IMPORT
  if (mode != kImport) return UsageError("this program only imports models; solvanta-cli does the rest");
#endif
  for (const auto& [flag, value] : line.options) {
    if (flag == "--frame") {
      if (value == "etrf89") {
        frame = solvanta::ReferenceFrame::Etrf89;
      } else if (value == "etrf2000") {
        frame = solvanta::ReferenceFrame::Etrf2000;
      } else {
        return UsageError("unknown frame '" + std::string(value) + "' (etrf89 or etrf2000)");
      }
    } else if (flag == "--folder") {
      folder = std::string(value);
    } else if (flag == "--tasks") {
      std::string bad;
      if (!ParseTasks(value, tasks, bad)) return UsageError("unknown task '" + bad + "' (bl, blh_e, blh_n, sat, kron86, evrf2007)");
    } else if (flag == "--model") {
      model = std::string(value);
    } else if (flag == "--list-models") {
      // it only chooses the mode
    } else if (flag == "--import-model") {
      import.source = std::string(value);
    } else if (flag == "--name") {
      import.name = std::string(value);
    } else if (flag == "--height-system") {
      import.heightSystem = std::string(value);
    } else if (flag == "--description") {
      import.description = std::string(value);
    } else if (flag == "--source") {
      import.sourceText = std::string(value);
    } else if (flag == "--coordinates") {
      if (!solvanta::ParseCoordinateForm(value, options.coordinates))
        return UsageError("unknown coordinates '" + std::string(value) + "' (dms, deg, pl2000, pl1992, xyz)");
    } else {
      import.licence = std::string(value);
    }
  }
  if (mode != kImport && !line.positional.empty())
    return UsageError("unknown argument '" + std::string(line.positional[0]) + "'");
  if (mode == kListModels) return ListModels();
  if (mode == kImport) {
    if (import.source.empty() || line.positional.size() != 1)
      return UsageError("--import-model needs SOURCE and TARGET.bin");
    import.target = std::string(line.positional[0]);
#ifdef ORVANE_MODEL_IMPORT
    return ImportModel(import);
#else
    return StartImporter(argv);
#endif
  }
  if (frame == solvanta::ReferenceFrame::None) return UsageError("choose a frame with --frame etrf89 or --frame etrf2000");
  const std::string modelFolder = solvanta::ModelFolder(orvane::ExecutableDirectory());
  std::string modelPath;
  if (model.empty()) {
    const solvanta::ModelChoice choice = solvanta::ChooseModel(modelFolder, orvane::FindSettingsFiles());
    if (!choice.problem.empty()) {
      std::cerr << choice.problem << std::endl;
      return 1;
    }
    modelPath = choice.path;
  } else if (!solvanta::ResolveModel(modelFolder, model, modelPath)) {
    // A path that does not exist is handed on: the run tells the file missing.
    if (model.find('/') == std::string::npos)
      return UsageError("no model '" + model + "' beside the program (solvanta-cli --list-models; a file here: ./" +
                        model + ")");
    modelPath = model;
  }
  options.heightSystem = import.heightSystem;
  options.modelDirectory = modelFolder;  // the PL-geoid2011 models of kron86 and evrf2007
  if (!options.heightSystem.empty() && !solvanta::IsValidHeightSystemLabel(options.heightSystem))
    return UsageError("the height-system label '" + options.heightSystem + "' must be 1 to 24 characters without blanks");

  // What a killed run left is settled by the run itself; a folder that is missing or unusable is
  // named before the model is read.
  if (const std::string problem = orvane::SettleWorkFolder(folder); !problem.empty()) {
    std::cerr << orvane::FromCp1250(problem) << std::endl;
    return 1;
  }
  TerminalHost host(std::move(tasks));
  try {
    const orvane::RunOutcome outcome = solvanta::RunCalculation(host, folder, frame, modelPath, options);
    return outcome == orvane::RunOutcome::Finished ? 0 : 1;
  } catch (const std::exception& error) {
    // Out of memory before the run could catch it itself: told, never an abort.
    std::cerr << orvane::FromCp1250(solvanta::UnexpectedErrorMessage(error.what())) << std::endl;
    return 1;
  }
}
