// The program's build constants and the version data of an executable file.
#pragma once

#include <cstdint>
#include <string>

namespace brisolt {

// Build constants of the shell (UTF-8). The release date and the home page are printed in every
// protocol; a public-testing build also carries a note there and in the window.
inline constexpr const char* ReleaseDate = "26 марта 2013 г.";
inline constexpr bool PublicTestBuild = false;
inline constexpr const char* PublicTestNote = "Версия для публичного тестирования";

// The program's home page, the CMake setting BRISOLT_SITE_URL. Empty while the program has no
// site: the window then opens the user guide in its place.
#ifndef BRISOLT_SITE_URL
#define BRISOLT_SITE_URL ""
#endif
inline constexpr const char* HomePageURL = BRISOLT_SITE_URL;

// The main page of the user guide that comes with the program run from `executable` (platform
// encoding): in the folder "guide" beside it (the Windows folder), in share/brisolt/guide or
// share/doc/brisolt/guide of its installation, or in docs/guide of the source tree when it runs
// from a build folder there. Empty when none of them exists.
std::string FindGuide(const std::string& executable);

// All texts UTF-8.
struct TFileVersionInfo {
  std::string FileType;
  std::string CompanyName;
  std::string FileDescription;
  std::string FileVersion;
  std::string InternalName;
  std::string LegalCopyRight;
  std::string LegalTradeMarks;
  std::string OriginalFileName;
  std::string ProductName;
  std::string ProductVersion;
  std::string Comments;
  std::string SpecialBuild;
  std::string PrivateBuild;
  std::string FileFunction;
  bool PreRelease = false;
  bool SpecialBuildFlag = false;
  bool PrivateBuildFlag = false;
  bool Patched = false;
  bool InfoInferred = false;
};

// Fills `info` for the file (platform encoding); whatever cannot be found stays empty or false.
// On Windows it reads the file's version resource; elsewhere only the program's own executable
// has version data, taken from the build.
void ReadFileVersionInfo(const std::string& fileName, TFileVersionInfo& info);

// The description of a file's kind from the file type and subtype of a version resource.
std::string FileFunctionText(std::uint32_t fileType, std::uint32_t fileSubtype);

}  // namespace brisolt
