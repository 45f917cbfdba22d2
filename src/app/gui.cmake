# The windows (Qt 6 Widgets), in a library of their own so that the Qt tests link the same code.
if(CMAKE_CROSSCOMPILING AND WIN32 AND NOT BRISOLT_MINGW_KIT)
  message(FATAL_ERROR "The window needs the static Qt that scripts/mingw-kit.sh makes: run it "
                      "first, or configure with -DBRISOLT_GUI=OFF for the command line alone.")
endif()
find_package(Qt6 REQUIRED COMPONENTS Widgets)

add_library(brisolt_gui STATIC
  dirselect.cpp
  helpform.cpp
  mainform.cpp
  mainformcontrols.cpp
  mainformprotocol.cpp
  mainformrun.cpp
  progressform.cpp
  qtext.cpp
  resultsform.cpp
  settings.cpp
  sourcesform.cpp
  userdialogs.cpp
  windowmode.cpp
  windowrun.cpp)
set_target_properties(brisolt_gui PROPERTIES AUTOMOC ON)
target_include_directories(brisolt_gui PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(brisolt_gui PUBLIC brisolt_app Qt6::Widgets)

target_link_libraries(brisolt PRIVATE brisolt_gui)

if(WIN32)
  # On Windows the window is a GUI program: a double click opens no console. Typed in a console,
  # "brisolt" finds brisolt.com first (cmd tries .com before .exe), which runs brisolt.exe in that
  # console and returns its status; brisolt.exe given parameters (from a shortcut) still runs
  # the batch, attaching to its parent's console where there is one.
  set_target_properties(brisolt PROPERTIES WIN32_EXECUTABLE ON)
  add_executable(brisolt_console console_launcher.cpp)
  set_target_properties(brisolt_console PROPERTIES
    OUTPUT_NAME brisolt SUFFIX .com RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
  target_link_options(brisolt_console PRIVATE -municode)
  target_link_libraries(brisolt_console PRIVATE brisolt_version_resource)
  add_dependencies(brisolt_console brisolt)
  # Qt's Russian texts beside the program in the build folder too, as in the zip.
  if(BRISOLT_MINGW_KIT)
    file(COPY ${BRISOLT_MINGW_KIT}/translations/qtbase_ru.qm
         DESTINATION ${PROJECT_BINARY_DIR}/translations)
  endif()
endif()

# A static Qt (the Windows kit) links its plugins into the program: the Windows platform, and
# the offscreen one that the tests run the window on.
get_target_property(brisolt_qt_type Qt6::Core TYPE)
if(brisolt_qt_type STREQUAL "STATIC_LIBRARY")
  set(brisolt_qt_plugins)
  foreach(plugin QWindowsIntegrationPlugin QOffscreenIntegrationPlugin QWindowsVistaStylePlugin)
    if(TARGET Qt6::${plugin})
      list(APPEND brisolt_qt_plugins Qt6::${plugin})
    endif()
  endforeach()
  set(BRISOLT_QT_STATIC_PLUGINS ${brisolt_qt_plugins} CACHE INTERNAL "")
  qt_import_plugins(brisolt INCLUDE ${brisolt_qt_plugins})
endif()
