#include "app/verdata.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/platform.h"
#include "base/encoding.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#include <vector>
#endif

#ifndef BRISOLT_PRODUCT_VERSION
#define BRISOLT_PRODUCT_VERSION ""
#endif

namespace brisolt {

std::string FileFunctionText(std::uint32_t fileType, std::uint32_t fileSubtype) {
  static const char* const kDrivers[] = {
      "Unknown Driver",  "Printer Driver", "Keyboard Driver",   "Language Driver",
      "Display Driver",  "Mouse Driver",   "Network Driver",    "System Driver",
      "InstallableDriver", "Sound Driver", "Communications Driver"};
  static const char* const kFonts[] = {"Unknown Font", "Raster Font", "Vector Font",
                                       "Truetype Font"};
  switch (fileType) {
    case 0: return "Unknown";
    case 1: return "Application";
    case 2: return "DLL";
    case 3: return fileSubtype <= 10 ? kDrivers[fileSubtype] : "";
    case 4: return fileSubtype <= 3 ? kFonts[fileSubtype] : "";
    case 5: {
      char hex[9];
      std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(fileSubtype));
      return std::string("Virtual Defice Identifier = ") + hex;
    }
    case 7: return "Static-link Library";
    default: return "";
  }
}

std::string FindGuide(const std::string& executable) {
  if (executable.empty()) return {};
  const std::filesystem::path folder = PathFromNative(executable).parent_path();
  const std::filesystem::path candidates[] = {
      folder / "guide",
      folder / ".." / "share" / "brisolt" / "guide",
      folder / ".." / "share" / "doc" / "brisolt" / "guide",
      folder / ".." / "docs" / "guide",
  };
  for (const std::filesystem::path& candidate : candidates) {
    std::error_code error;
    const std::filesystem::path page = candidate / "index.html";
    if (std::filesystem::is_regular_file(page, error)) {
      const std::filesystem::path full = std::filesystem::weakly_canonical(page, error);
      return NativeFromPath(error ? page.lexically_normal() : full);
    }
  }
  return {};
}

#ifdef _WIN32

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

#else

void ReadFileVersionInfo(const std::string& fileName, TFileVersionInfo& info) {
  info = TFileVersionInfo{};
  std::error_code error;
  const std::filesystem::path path = PathFromNative(fileName);
  if (!std::filesystem::is_regular_file(path, error)) {
    return;
  }
  info.FileType = "Application";
  const std::string own = platform::ExecutablePath();
  if (own.empty() || !std::filesystem::equivalent(path, PathFromNative(own), error) || error) {
    return;
  }
  // The same fields the Windows build carries in its version resource.
  info.CompanyName = "Brisolt";
  info.FileDescription = "Brisolt";
  info.FileVersion = BRISOLT_PRODUCT_VERSION;
  info.InternalName = "brisolt";
  info.OriginalFileName = "brisolt";
  info.ProductName = "Brisolt";
  info.ProductVersion = BRISOLT_PRODUCT_VERSION;
  info.FileFunction = FileFunctionText(1, 0);
}

#endif

}  // namespace brisolt
