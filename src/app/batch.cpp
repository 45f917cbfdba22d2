#include "app/cmdline.h"

#include "app/platform.h"

namespace brisolt {

// Replaced by the real pipeline once loading and the protocol writers exist.
int ProcessBatch(const TRunParams&) {
  platform::ReportError("Обработка пакетов ещё не реализована.");
  return kExitFailure;
}

}  // namespace brisolt
