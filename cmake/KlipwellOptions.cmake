# One interface target that carries the language level, warnings and
# sanitizer flags for every target of the project.
add_library(klipwell_options INTERFACE)
target_compile_features(klipwell_options INTERFACE cxx_std_20)
target_compile_options(klipwell_options INTERFACE -Wall -Wextra -Wpedantic)
target_compile_definitions(klipwell_options INTERFACE
  QT_NO_CAST_FROM_BYTEARRAY
  QT_NO_URL_CAST_FROM_STRING
  QT_USE_QSTRINGBUILDER)

if(KLIPWELL_SANITIZE)
  set(_klipwell_san -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_compile_options(klipwell_options INTERFACE ${_klipwell_san})
  target_link_options(klipwell_options INTERFACE ${_klipwell_san})
endif()

# Coverage-guided fuzzing: every target of the build is instrumented for
# libFuzzer (clang only); the fuzz targets add the fuzzer's main when linking.
if(KLIPWELL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "KLIPWELL_FUZZ needs clang (configure with -DCMAKE_CXX_COMPILER=clang++)")
  endif()
  # clang 14 cannot emit the function-type check for coroutine frames
  # ("Cannot represent a difference across sections"), so that one check is off.
  set(_klipwell_fuzz -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize=function
    -fno-sanitize-recover=undefined -fno-omit-frame-pointer -gline-tables-only)
  target_compile_options(klipwell_options INTERFACE ${_klipwell_fuzz})
  target_link_options(klipwell_options INTERFACE -fsanitize=address,undefined)
endif()
