#include <cstdio>

#include "app/windowmode.h"

namespace brisolt {

int RunWindowMode(int, char**) {
  std::puts("Оконный режим ещё не собран; укажите параметры для пакетного режима.");
  return 0;
}

}  // namespace brisolt
