#include "app/windowrun.h"

namespace brisolt {

TWindowEngine DefaultWindowEngine() {
  TWindowEngine engine;
  engine.ScanInsurers = [](const std::string&, bool, std::vector<std::string>&,
                           std::vector<std::string>&) {};
  engine.Run = [](const TRunRequest&, const TProgressEvent&) {
    return TRunOutcome{TRunResult::Failed, "Обработка пакетов ещё не реализована."};
  };
  return engine;
}

}  // namespace brisolt
