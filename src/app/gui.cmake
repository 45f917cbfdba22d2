# The windows (Qt 6 Widgets), in a library of their own so that the Qt tests link the same code.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

add_library(brisolt_gui STATIC
  dirselect.cpp
  helpform.cpp
  mainform.cpp
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
