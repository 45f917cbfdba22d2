# What `cmake --install` puts where, and the packages CPack makes of it:
#   Linux:   `cpack -G DEB` in the build folder: brisolt_<version>_<arch>.deb
#   Windows: `cpack -G ZIP` in the build folder: brisolt-<version>-windows-x64.zip, and the
#            target "setup": brisolt-<version>-setup.exe
# Everything belongs to the component "brisolt", so that install rules of bundled third-party
# sources (GoogleTest) never reach a package.
include(GNUInstallDirs)

# The maker has no public mail address yet: set this before publishing a package.
set(BRISOLT_MAINTAINER "Ostrak <brisolt@localhost>" CACHE STRING
    "Maintainer of the Debian package, name <address>")
# The release date of this version, for the manual pages and the package's change log.
set(BRISOLT_RELEASE_DATE "2013-03-26")
set(BRISOLT_CHANGELOG_DATE "Tue, 26 Mar 2013 00:00:00 +0000")

set(brisolt_docs ${PROJECT_SOURCE_DIR}/docs)
set(brisolt_staging ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${brisolt_staging})

# The guide: one page with its pictures, the same files in every package.
set(brisolt_guide_pattern PATTERN "*.html" PATTERN "*.png" PATTERN "*.css")

if(WIN32)
  install(TARGETS brisolt RUNTIME DESTINATION . COMPONENT brisolt)
  if(TARGET brisolt_console)
    install(TARGETS brisolt_console RUNTIME DESTINATION . COMPONENT brisolt)
  endif()
  # Qt's Russian texts (its file dialogs, buttons, menus), loaded from "translations" beside the
  # program: the kit holds those of its own Qt version.
  if(TARGET brisolt_gui AND BRISOLT_MINGW_KIT AND EXISTS ${BRISOLT_MINGW_KIT}/translations/qtbase_ru.qm)
    install(FILES ${BRISOLT_MINGW_KIT}/translations/qtbase_ru.qm DESTINATION translations
            COMPONENT brisolt)
  endif()
  if(TARGET brisolt-packgen)
    install(TARGETS brisolt-packgen RUNTIME DESTINATION . COMPONENT brisolt)
  endif()
  # The program finds the guide in the folder "guide" beside brisolt.exe.
  install(DIRECTORY ${brisolt_docs}/guide/ DESTINATION guide COMPONENT brisolt
          FILES_MATCHING ${brisolt_guide_pattern})
  # Notepad reads the README as UTF-8 by its byte-order mark; Windows line ends.
  configure_file(${brisolt_docs}/windows/README.txt ${brisolt_staging}/README.txt @ONLY
                 NEWLINE_STYLE CRLF)
  install(FILES ${brisolt_staging}/README.txt DESTINATION . COMPONENT brisolt)

  # The setup program (docs/windows/setup.nsi): `cmake --build --preset mingw --target setup` makes
  # packages/brisolt-<version>-setup.exe with makensis (Debian's nsis) from the same installed
  # tree as the zip, stripped as CPack strips it.
  find_program(BRISOLT_MAKENSIS makensis)
  if(BRISOLT_MAKENSIS)
    set(setup_stage ${PROJECT_BINARY_DIR}/setup-stage)
    set(setup_lists ${PROJECT_BINARY_DIR}/setup-files)
    set(version4 ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH})
    if(PROJECT_VERSION_TWEAK STREQUAL "")
      string(APPEND version4 .0)
    else()
      string(APPEND version4 .${PROJECT_VERSION_TWEAK})
    endif()
    # strip writes the time of stripping into each program's header, or SOURCE_DATE_EPOCH: the
    # release date, so that the same build gives the same setup program.
    string(REGEX MATCH "^0*([0-9]+)-0*([0-9]+)-0*([0-9]+)$" date "${BRISOLT_RELEASE_DATE}")
    set(year ${CMAKE_MATCH_1})
    set(month ${CMAKE_MATCH_2})
    set(day ${CMAKE_MATCH_3})
    if(month LESS_EQUAL 2)
      math(EXPR year "${year} - 1")
    endif()
    # Days since 1970-01-01 of a civil date (years from 1 on).
    math(EXPR year_of_era "${year} % 400")
    math(EXPR day_of_year "(153 * ((${month} + 9) % 12) + 2) / 5 + ${day} - 1")
    math(EXPR day_of_era "${year_of_era} * 365 + ${year_of_era} / 4 - ${year_of_era} / 100 + ${day_of_year}")
    math(EXPR release_epoch "(${year} / 400 * 146097 + ${day_of_era} - 719468) * 86400")
    add_custom_target(setup
      COMMAND ${CMAKE_COMMAND} -E rm -rf ${setup_stage}
      COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${release_epoch}
              ${CMAKE_COMMAND} --install ${PROJECT_BINARY_DIR} --prefix ${setup_stage}
              --component brisolt --strip
      COMMAND ${CMAKE_COMMAND} -DSTAGE=${setup_stage} -DFILES=${setup_lists}-install.nsh
              -DUNFILES=${setup_lists}-remove.nsh -P ${CMAKE_CURRENT_LIST_DIR}/nsis-files.cmake
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packages
      COMMAND ${BRISOLT_MAKENSIS} -V2 -INPUTCHARSET UTF8 -DVERSION=${PROJECT_VERSION}
              -DVERSION4=${version4} -DSTAGE=${setup_stage}
              -DOUTFILE=${PROJECT_BINARY_DIR}/packages/brisolt-${PROJECT_VERSION}-setup.exe
              -DFILES=${setup_lists}-install.nsh -DUNFILES=${setup_lists}-remove.nsh
              ${brisolt_docs}/windows/setup.nsi
      COMMENT "Making packages/brisolt-${PROJECT_VERSION}-setup.exe"
      VERBATIM)
    foreach(target brisolt brisolt_console brisolt-packgen)
      if(TARGET ${target})
        add_dependencies(setup ${target})
      endif()
    endforeach()
  endif()

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME brisolt-${PROJECT_VERSION}-windows-x64)
  # Unpacked, the zip makes one folder brisolt-<version>-windows-x64.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
else()
  set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
      OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/brisolt)

  install(TARGETS brisolt RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT brisolt)
  if(TARGET brisolt-packgen)
    install(TARGETS brisolt-packgen RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
            COMPONENT brisolt)
  endif()

  # The guide is part of the program (the window opens it), so it lives in share/brisolt, where
  # systems that drop share/doc keep it; share/doc/brisolt/guide points there.
  install(DIRECTORY ${brisolt_docs}/guide/ DESTINATION ${CMAKE_INSTALL_DATADIR}/brisolt/guide
          COMPONENT brisolt FILES_MATCHING ${brisolt_guide_pattern})
  install(CODE "
    set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${doc_dir}/guide\")
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${doc_dir}\")
    file(REMOVE \"\${link}\")
    file(CREATE_LINK ../../brisolt/guide \"\${link}\" SYMBOLIC)
  " COMPONENT brisolt)

  install(FILES ${brisolt_docs}/debian/brisolt.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT brisolt)
  install(FILES ${brisolt_docs}/icons/brisolt.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT brisolt)
  foreach(size 48 256)
    install(FILES ${brisolt_docs}/icons/brisolt-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME brisolt.png COMPONENT brisolt)
  endforeach()

  # Manual pages and the change log, compressed as Debian wants them (gzip -n: no name, no time).
  set(BRISOLT_MAN_DATE ${BRISOLT_RELEASE_DATE})
  string(REGEX REPLACE "^.*<(.*)>$" "\\1" BRISOLT_MAINTAINER_EMAIL "${BRISOLT_MAINTAINER}")
  set(compressed)
  foreach(source man/brisolt.1 man/brisolt-packgen.1 debian/changelog)
    get_filename_component(name ${source} NAME)
    configure_file(${brisolt_docs}/${source} ${brisolt_staging}/${name} @ONLY)
    add_custom_command(OUTPUT ${brisolt_staging}/${name}.gz
                       COMMAND gzip -9 -n -f -k ${name}
                       DEPENDS ${brisolt_staging}/${name}
                       WORKING_DIRECTORY ${brisolt_staging} VERBATIM)
    list(APPEND compressed ${brisolt_staging}/${name}.gz)
  endforeach()
  add_custom_target(brisolt_packaging_files ALL DEPENDS ${compressed})
  install(FILES ${brisolt_staging}/brisolt.1.gz ${brisolt_staging}/brisolt-packgen.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT brisolt)
  install(FILES ${brisolt_staging}/changelog.gz ${brisolt_docs}/debian/copyright
          DESTINATION ${doc_dir} COMPONENT brisolt)

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_DEBIAN_PACKAGE_NAME brisolt)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Qt's own dialogs in Russian (the program loads qtbase_ru).
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libreoffice-calc | chromium | firefox-esr")
  set(CPACK_DEBIAN_PACKAGE_SECTION misc)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${BRISOLT_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  if(NOT BRISOLT_SITE_URL STREQUAL "")
    set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${BRISOLT_SITE_URL}")
  endif()
endif()

set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack-checks.cmake)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_NAME brisolt)
set(CPACK_PACKAGE_VENDOR Ostrak)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${BRISOLT_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "reconciles pension contributions accrued and paid (Russian forms)")
set(CPACK_PACKAGE_DESCRIPTION
    "Brisolt reads a folder of individual-data pack files of the Pension Fund\n\
of Russia (forms SZV-6-1, SZV-6-2, SZV-6-4 and SZV-6-3), folds initial,\n\
corrective and cancelling submissions into one record per insured person\n\
and period, and compares the contributions accrued with those paid. It\n\
writes one protocol, an HTML page or a spreadsheet, listing debts,\n\
overpayments, base-limit excess and mismatches. It runs as a Qt window or\n\
from the command line. The user guide and the program's texts are in\n\
Russian.")
set(CPACK_COMPONENTS_ALL brisolt)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
include(CPack)
