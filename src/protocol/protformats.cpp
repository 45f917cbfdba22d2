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

bool EndsWithExtension(std::string_view fileName, std::string_view extension) {
  if (fileName.size() < extension.size()) {
    return false;
  }
  const std::string_view ending = fileName.substr(fileName.size() - extension.size());
  for (std::size_t at = 0; at < ending.size(); ++at) {
    const char ch = ending[at];
    if ((ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch) != extension[at]) {
      return false;
    }
  }
  return true;
}

const TProtFormatRow* FormatOfFileName(std::string_view fileName) {
  for (const TProtFormatRow& row : kProtFormats) {
    if (EndsWithExtension(fileName, row.Extension)) {
      return &row;
    }
  }
  return nullptr;
}

const TProtFormatRow& WrittenFormat(TProtFormat chosen, std::string_view fileName) {
  for (const TProtFormatRow& row : kProtFormats) {
    if (row.ByFileName && EndsWithExtension(fileName, row.Extension)) {
      return row;
    }
  }
  return ProtFormatRow(chosen);
}

}  // namespace brisolt
