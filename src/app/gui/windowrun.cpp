#include "app/gui/windowrun.h"

#include "engine/sverka.h"

namespace brisolt {

TWindowEngine DefaultWindowEngine() {
  TWindowEngine engine;
  engine.ScanInsurers = [](const std::string& folder, bool subDirs,
                          std::vector<std::string>& names, std::vector<std::string>& regNumbs,
                          const TProgressEvent& progress) {
    TFileSet::ScanInsurers(folder, subDirs, names, regNumbs, progress);
  };
  engine.Run = &RunProtocol;
  return engine;
}

}  // namespace brisolt
