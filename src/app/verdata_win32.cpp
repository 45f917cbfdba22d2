// The version data of an executable file on Windows: its version resource.
#include "app/verdata.h"

#include <string>
#include <utility>
#include <vector>

#include <windows.h>
#include <shellapi.h>

#include "app/platform.h"

namespace brisolt {

void ReadFileVersionInfo(const std::string& fileName, TFileVersionInfo& info) {
  info = TFileVersionInfo{};
  const std::wstring wideName = platform::WideFromUtf8(fileName);
  SHFILEINFOW shellInfo{};
  if (SHGetFileInfoW(wideName.c_str(), 0, &shellInfo, sizeof shellInfo, SHGFI_TYPENAME) != 0) {
    info.FileType = platform::Utf8FromWide(shellInfo.szTypeName);
  }
  if (SHGetFileInfoW(wideName.c_str(), 0, nullptr, 0, SHGFI_EXETYPE) == 0) {
    return;
  }
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(wideName.c_str(), &handle);
  if (size == 0) {
    return;
  }
  std::vector<unsigned char> buffer(size);
  if (!GetFileVersionInfoW(wideName.c_str(), 0, size, buffer.data())) {
    return;
  }
  struct TTranslation {
    WORD Language;
    WORD CodePage;
  };
  TTranslation* translation = nullptr;
  UINT length = 0;
  if (VerQueryValueW(buffer.data(), L"\\VarFileInfo\\Translation",
                     reinterpret_cast<void**>(&translation), &length) &&
      length >= sizeof(TTranslation)) {
    const std::pair<const wchar_t*, std::string*> strings[] = {
        {L"CompanyName", &info.CompanyName},       {L"FileDescription", &info.FileDescription},
        {L"FileVersion", &info.FileVersion},       {L"InternalName", &info.InternalName},
        {L"LegalCopyRight", &info.LegalCopyRight}, {L"LegalTradeMarks", &info.LegalTradeMarks},
        {L"OriginalFileName", &info.OriginalFileName}, {L"ProductName", &info.ProductName},
        {L"ProductVersion", &info.ProductVersion}, {L"Comments", &info.Comments},
        {L"SpecialBuild", &info.SpecialBuild},     {L"PrivateBuild", &info.PrivateBuild}};
    for (const auto& [name, target] : strings) {
      wchar_t query[128];
      swprintf(query, 128, L"\\StringFileInfo\\%04X%04X\\%ls", translation->Language,
               translation->CodePage, name);
      wchar_t* value = nullptr;
      UINT valueLength = 0;
      if (VerQueryValueW(buffer.data(), query, reinterpret_cast<void**>(&value), &valueLength) &&
          valueLength > 0) {
        *target = platform::Utf8FromWide(value);
      }
    }
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  if (VerQueryValueW(buffer.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) &&
      length >= sizeof(VS_FIXEDFILEINFO)) {
    const DWORD flags = fixed->dwFileFlagsMask & fixed->dwFileFlags;
    info.PreRelease = (flags & VS_FF_PRERELEASE) != 0;
    info.SpecialBuildFlag = (flags & VS_FF_SPECIALBUILD) != 0;
    info.PrivateBuildFlag = (flags & VS_FF_PRIVATEBUILD) != 0;
    info.Patched = (flags & VS_FF_PATCHED) != 0;
    info.InfoInferred = (flags & VS_FF_INFOINFERRED) != 0;
    info.FileFunction = FileFunctionText(fixed->dwFileType, fixed->dwFileSubtype);
  }
}

}  // namespace brisolt
