# Compile options shared by every target of ours.
add_library(sealmark_options INTERFACE)
target_compile_features(sealmark_options INTERFACE cxx_std_${CMAKE_CXX_STANDARD})
target_compile_definitions(sealmark_options INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_URL_CAST_FROM_STRING
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
)
if(MSVC)
  target_compile_options(sealmark_options INTERFACE /W4 /utf-8 $<$<BOOL:${SEALMARK_WERROR}>:/WX>)
else()
  target_compile_options(sealmark_options INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-qual -Wformat=2
    $<$<BOOL:${SEALMARK_WERROR}>:-Werror>
    # GCC 12 at -O3 reports overlapping copies inside libstdc++'s own
    # std::string that cannot happen (GCC bug 105329), and an engaged
    # std::optional moved as maybe uninitialized (GCC bug 80635).
    $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-restrict -Wno-maybe-uninitialized>)
endif()

# AddressSanitizer and UndefinedBehaviorSanitizer for our code (scripts/sanitize).
option(SEALMARK_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(SEALMARK_SANITIZE AND NOT MSVC)
  set(sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(sealmark_options INTERFACE ${sanitizers})
  target_link_options(sealmark_options INTERFACE ${sanitizers})
endif()

# ThreadSanitizer for our code (scripts/sanitize-thread).
option(SEALMARK_SANITIZE_THREAD "Build with ThreadSanitizer" OFF)
if(SEALMARK_SANITIZE_THREAD AND NOT MSVC)
  set(sanitizers -fsanitize=thread -fno-omit-frame-pointer)
  target_compile_options(sealmark_options INTERFACE ${sanitizers})
  target_link_options(sealmark_options INTERFACE ${sanitizers})
endif()

# The fuzzer's build: our code instrumented for libFuzzer, under ASan and UBSan.
if(SEALMARK_FUZZ)
  set(sanitizers -fsanitize=address,undefined -fno-omit-frame-pointer)
  target_compile_options(sealmark_options INTERFACE -fsanitize=fuzzer-no-link ${sanitizers})
  target_link_options(sealmark_options INTERFACE ${sanitizers})
endif()
