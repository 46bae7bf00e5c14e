# One interface target carries the language level, the warnings and the Qt defines.
add_library(kv_project_options INTERFACE)
target_compile_features(kv_project_options INTERFACE cxx_std_20)
target_compile_options(kv_project_options INTERFACE
    -Wall -Wextra -Wpedantic -Woverloaded-virtual -Wnon-virtual-dtor -Wsuggest-override)
if(KV_WERROR)
  target_compile_options(kv_project_options INTERFACE -Werror)
endif()
target_compile_definitions(kv_project_options INTERFACE
    QT_USE_QSTRINGBUILDER
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_DISABLE_DEPRECATED_UP_TO=0x060400
    _GLIBCXX_ASSERTIONS
    KV_VERSION_STRING="${PROJECT_VERSION}"
    KV_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    KV_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    KV_VERSION_PATCH=${PROJECT_VERSION_PATCH}
    KV_VERSION_TWEAK=${PROJECT_VERSION_TWEAK})
target_include_directories(kv_project_options INTERFACE ${PROJECT_SOURCE_DIR}/src)
if(KV_SANITIZE)
  target_compile_options(kv_project_options INTERFACE
      -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(kv_project_options INTERFACE -fsanitize=address,undefined)
elseif(KV_FUZZ)
  # The project's code is instrumented for the fuzzer; only the fuzz targets link its runtime.
  target_compile_options(kv_project_options INTERFACE
      -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
      -fno-sanitize-recover=undefined)
  target_link_options(kv_project_options INTERFACE -fsanitize=address,undefined)
elseif(WIN32)
  # MinGW: stack protector (its runtime is linked statically); ASLR and DEP are the linker's
  # defaults.
  target_compile_options(kv_project_options INTERFACE -fstack-protector-strong)
  target_link_options(kv_project_options INTERFACE -fstack-protector-strong)
  # Wide-character Windows calls; no min/max macros.
  target_compile_definitions(kv_project_options INTERFACE UNICODE _UNICODE NOMINMAX
                             WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601)
else()
  # The hardening of Debian's packages (dpkg-buildflags, hardening=+all): fortified libc calls
  # (they need optimisation), stack protector and clash protection, control-flow protection,
  # position-independent programs and read-only relocations resolved at start.
  include(CheckPIESupported)
  check_pie_supported()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  target_compile_options(kv_project_options INTERFACE
      "$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>"
      -fstack-protector-strong -fstack-clash-protection -fcf-protection)
  target_link_options(kv_project_options INTERFACE -Wl,-z,relro,-z,now)
endif()

# kv_add_library(name SOURCES ... LIBS ...): a static library of one subsystem.
function(kv_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC kv_project_options ${ARG_LIBS})
endfunction()

# kv_add_module(name SOURCES ... LIBS ...): a module that a program loads from its own folder
# when it needs it. Every symbol is resolved when the module is linked.
function(kv_add_module name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} MODULE ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE kv_project_options ${ARG_LIBS})
  if(UNIX AND NOT APPLE)
    target_link_options(${name} PRIVATE -Wl,--as-needed -Wl,-z,defs)
  endif()
  set_target_properties(${name} PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY
                                                    ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
endfunction()

# kv_add_program(name SOURCES ... LIBS ... WINDOWS ...): a program whose window code (the WINDOWS
# libraries) lives in the module <name>Ui beside it, loaded only when a window can be shown. The
# program itself links nothing of the window system, so a run without a display never loads it.
function(kv_add_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;WINDOWS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE kv_project_options kv_app_start ${ARG_LIBS})
  # Only the libraries the program calls become its dependencies; it exports its symbols so
  # that its modules share the program's copy of the common code and its state.
  if(UNIX AND NOT APPLE)
    target_link_options(${name} PRIVATE -Wl,--as-needed)
  endif()
  set_target_properties(${name} PROPERTIES ENABLE_EXPORTS ON)
  kv_add_module(${name}Ui SOURCES ${PROJECT_SOURCE_DIR}/src/common/ui/AppStartEntry.cpp
                LIBS ${ARG_WINDOWS} ${ARG_LIBS})
  add_dependencies(${name} ${name}Ui)
endfunction()
