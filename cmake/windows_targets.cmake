# Windows-only targets: the setup program, its Windows library and the stand-in game.

# Everything Windows-facing except the entry point, as one library the tests link too.
file(GLOB GLOAMREEF_WIN_SOURCES CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/app/*.cpp
     ${CMAKE_SOURCE_DIR}/ui/*.cpp
     ${CMAKE_SOURCE_DIR}/install/*.cpp
     ${CMAKE_SOURCE_DIR}/uninstall/*.cpp)
list(REMOVE_ITEM GLOAMREEF_WIN_SOURCES
     ${CMAKE_SOURCE_DIR}/app/log.cpp
     ${CMAKE_SOURCE_DIR}/app/long_path.cpp
     ${CMAKE_SOURCE_DIR}/app/main.cpp)
add_library(gloamreef_win STATIC ${GLOAMREEF_WIN_SOURCES})
target_link_libraries(gloamreef_win PUBLIC gloamreef_core
                      comctl32 comdlg32 shell32 ole32 uuid advapi32 user32 gdi32 kernel32)

# The stand-in game program: embedded unless GLOAMREEF_PAYLOAD names the real one.
add_executable(gloamreef_standin WIN32 tests/standin_game/standin_game.cpp)
set_target_properties(gloamreef_standin PROPERTIES OUTPUT_NAME gloamreef-standin
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_link_options(gloamreef_standin PRIVATE -municode)

if(GLOAMREEF_PAYLOAD)
  set(GLOAMREEF_PAYLOAD_FILE ${GLOAMREEF_PAYLOAD})
else()
  set(GLOAMREEF_PAYLOAD_FILE ${CMAKE_BINARY_DIR}/gloamreef-standin.exe)
endif()

# windres takes the payload's path from the generated script; the manifest
# and the version block take the project's version.
set(GLOAMREEF_MANIFEST_FILE ${CMAKE_BINARY_DIR}/setup.manifest)
configure_file(resources/setup.manifest.in ${GLOAMREEF_MANIFEST_FILE} @ONLY)
configure_file(resources/setup.rc.in ${CMAKE_BINARY_DIR}/setup.rc @ONLY)
set_source_files_properties(${CMAKE_BINARY_DIR}/setup.rc PROPERTIES
    OBJECT_DEPENDS "${GLOAMREEF_PAYLOAD_FILE};${GLOAMREEF_MANIFEST_FILE}")

add_executable(gloamreef_setup WIN32 app/main.cpp ${CMAKE_BINARY_DIR}/setup.rc)
set_target_properties(gloamreef_setup PROPERTIES OUTPUT_NAME gloamreef-setup
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
# Symbols stripped from release builds: the program ships without them.
target_link_options(gloamreef_setup PRIVATE -municode $<$<CONFIG:Release>:-s>)
target_link_libraries(gloamreef_setup PRIVATE gloamreef_win)
if(NOT GLOAMREEF_PAYLOAD)
  add_dependencies(gloamreef_setup gloamreef_standin)
endif()
