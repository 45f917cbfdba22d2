#include "app/windowrun.h"

#include "engine/sverka.h"

namespace brisolt {

TWindowEngine DefaultWindowEngine() {
  TWindowEngine engine;
  engine.ScanInsurers = &TFileSet::ScanInsurers;
  engine.Run = &RunProtocol;
  return engine;
}

}  // namespace brisolt
