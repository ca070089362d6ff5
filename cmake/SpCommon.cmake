# Shared compile settings and helpers for every module.

set(SP_WARNINGS -Wall -Wextra -Wno-missing-field-initializers)
if(SP_WERROR)
  list(APPEND SP_WARNINGS -Werror)
endif()
set(SP_SAN_FLAGS "")
if(SP_SANITIZE)
  set(SP_SAN_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
endif()

# sp_target_defaults(<target>): warnings, sanitizers, include roots.
function(sp_target_defaults tgt)
  target_compile_options(${tgt} PRIVATE ${SP_WARNINGS} ${SP_SAN_FLAGS})
  target_link_options(${tgt} PRIVATE ${SP_SAN_FLAGS})
  if(SP_FUZZ)
    target_compile_options(${tgt} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
  target_include_directories(${tgt} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
endfunction()

# Every folder builds at most one library, named after the folder: "sp_"
# and the folder's path with "/" and "-" turned into "_" (uikit/core ->
# sp_uikit_core, devtools/vbx207-sim -> sp_devtools_vbx207_sim).
function(sp_check_library_name name)
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  string(REGEX REPLACE "[/-]" "_" expected "sp_${rel}")
  if(NOT name STREQUAL expected)
    message(FATAL_ERROR "${rel}: its library is called ${expected}, not ${name}")
  endif()
endfunction()

# sp_core_library(<name> SOURCES ... [DEPS ...]): a Qt-free static library.
function(sp_core_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  sp_check_library_name(${name})
  add_library(${name} STATIC ${A_SOURCES})
  sp_target_defaults(${name})
  target_link_libraries(${name} PUBLIC ${A_DEPS} Threads::Threads)
endfunction()

# sp_qt_library(<name> SOURCES ... [DEPS ...]): a library that uses Qt Widgets.
function(sp_qt_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  sp_check_library_name(${name})
  add_library(${name} STATIC ${A_SOURCES})
  sp_target_defaults(${name})
  target_link_libraries(${name} PUBLIC ${A_DEPS} Qt6::Widgets Threads::Threads)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
endfunction()

# sp_unit_test(<name> SOURCES ... DEPS ... [LABELS ...]): a GoogleTest binary,
# registered with ctest (label "unit" unless told otherwise).
function(sp_unit_test name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  if(NOT A_LABELS)
    set(A_LABELS unit)
  endif()
  add_executable(${name} ${A_SOURCES})
  sp_target_defaults(${name})
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  set_tests_properties(${name} PROPERTIES LABELS "${A_LABELS}" TIMEOUT 600)
endfunction()

# sp_gui_test(<name> SOURCES ... DEPS ...): a Qt Test (or GoogleTest with Qt)
# binary run offscreen; label "gui".
function(sp_gui_test name)
  cmake_parse_arguments(A "GTEST" "" "SOURCES;DEPS;LABELS" ${ARGN})
  if(NOT A_LABELS)
    set(A_LABELS gui)
  endif()
  add_executable(${name} ${A_SOURCES})
  sp_target_defaults(${name})
  target_link_libraries(${name} PRIVATE ${A_DEPS} Qt6::Widgets Qt6::Test Threads::Threads)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  if(A_GTEST)
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock)
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${SP_RUNTIME_DIR})
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${SP_RUNTIME_DIR})
  set_tests_properties(${name} PROPERTIES LABELS "${A_LABELS}" TIMEOUT 900
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/xdg-runtime;XDG_STATE_HOME=${CMAKE_BINARY_DIR}/xdg-state;SP_SCREENSHOT_DIR=${CMAKE_BINARY_DIR}/screenshots")
endfunction()

# sp_fuzzer(<name> SOURCES ... DEPS ...): a libFuzzer target. Its seed corpus
# lives in fuzz/<module>/corpus/<name>/; scripts/run-fuzzers.sh runs every
# target briefly.
function(sp_fuzzer name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  sp_target_defaults(${name})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${A_DEPS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endfunction()

# sp_benchmark(<name> SOURCES ... DEPS ...)
function(sp_benchmark name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  sp_target_defaults(${name})
  target_link_libraries(${name} PRIVATE ${A_DEPS} benchmark::benchmark benchmark::benchmark_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()
