#include "protocol/protformats.h"

namespace brisolt {

const TProtFormatRow& ProtFormatRow(TProtFormat format) {
  for (const TProtFormatRow& row : kProtFormats) {
    if (row.Format == format) {
      return row;
    }
  }
  return kProtFormats[0];
}

const TProtFormatRow& WrittenFormat(TProtFormat chosen, std::string_view fileName) {
  for (const TProtFormatRow& row : kProtFormats) {
    if (!row.ByFileName || fileName.size() < row.Extension.size()) {
      continue;
    }
    const std::string_view ending = fileName.substr(fileName.size() - row.Extension.size());
    bool same = true;
    for (std::size_t at = 0; at < ending.size() && same; ++at) {
      const char ch = ending[at];
      same = (ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch) == row.Extension[at];
    }
    if (same) {
      return row;
    }
  }
  return ProtFormatRow(chosen);
}

}  // namespace brisolt
