# Writes ${CMAKE_BINARY_DIR}/ProgramNames.nsh, the installer's copy of settings/ProgramNames.h: each constant
# kSomeName becomes !define SOME_NAME, a C++ escape \\ a single backslash, and a key's trailing backslash goes,
# as NSIS names keys without it. Included at configure time; editing the header configures again.
set(names_header ${CMAKE_SOURCE_DIR}/settings/ProgramNames.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${names_header})
file(READ ${names_header} names_text)
# A constant as clang-format may lay it out, on one line or wrapped after its "=".
string(REGEX MATCHALL "constexpr (char|wchar_t) k[A-Za-z0-9]+\\[\\] =[ \n]*L?\"[^\"]*\"" names_lines "${names_text}")
set(names_nsh "; Made by the build from settings/ProgramNames.h: change the names there.\n")
set(names_found "")
foreach(line IN LISTS names_lines)
    string(REGEX MATCH " k([A-Za-z0-9]+)\\[\\] =[ \n]*L?\"([^\"]*)\"" matched "${line}")
    set(name "${CMAKE_MATCH_1}")
    string(REPLACE "\\\\" "\\" value "${CMAKE_MATCH_2}")
    string(REGEX REPLACE "([a-z])([A-Z])" "\\1_\\2" name "${name}")
    string(TOUPPER "${name}" name)
    string(REGEX REPLACE "\\\\$" "" value "${value}")
    string(APPEND names_nsh "!define ${name} \"${value}\"\n")
    list(APPEND names_found ${name})
endforeach()
# NSIS would keep an unknown ${NAME} as plain text: every name the installer uses must be there.
foreach(name WINDOW_CLASS SETTINGS_KEY SETTING_VALUE RUN_KEY RUN_VALUE STEP_SWITCH SONG_LOG_STEP STARTUP_ON_STEP
        STARTUP_MARK_KEY STARTUP_MARK_KEY32)
    if(NOT name IN_LIST names_found)
        message(FATAL_ERROR "${names_header} has no constant for the installer's ${name}")
    endif()
endforeach()
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/ProgramNames.nsh CONTENT "${names_nsh}")
