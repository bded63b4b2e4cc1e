# Installs the build into PREFIX and checks that the program, its data and
# the desktop files land where the program and the desktop look for them.
# FOR_WINDOWS: the build is for Windows (this script itself runs on the
# build machine, where WIN32 says nothing about the build).
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

if(FOR_WINDOWS)
  set(expected bin/sealmark.exe bin/sealmark-cli.exe bin/skin.styles bin/help.html)
else()
  set(expected
    lib/sealmark/sealmark lib/sealmark/skin.styles lib/sealmark/help.html
    bin/sealmark-cli share/man/man1/sealmark-cli.1.gz
    share/bash-completion/completions/sealmark-cli
    share/applications/com.corvella.Sealmark.desktop
    share/metainfo/com.corvella.Sealmark.metainfo.xml
    share/icons/hicolor/scalable/apps/sealmark.svg)
  foreach(size 16 24 32 48 64 128 256)
    list(APPEND expected share/icons/hicolor/${size}x${size}/apps/sealmark.png)
  endforeach()
endif()
foreach(file IN LISTS expected)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "missing after install: ${file}")
  endif()
endforeach()

if(NOT FOR_WINDOWS)
  # The link in bin/ must lead to the program in its private folder, where
  # the program looks for its data.
  if(NOT IS_SYMLINK ${PREFIX}/bin/sealmark)
    message(FATAL_ERROR "bin/sealmark is not a link")
  endif()
  file(REAL_PATH ${PREFIX}/bin/sealmark resolved)
  file(REAL_PATH ${PREFIX}/lib/sealmark/sealmark program)
  if(NOT resolved STREQUAL program)
    message(FATAL_ERROR "bin/sealmark leads to ${resolved}, not ${program}")
  endif()
  # Nothing of the tests or benchmarks is installed.
  file(GLOB_RECURSE installed RELATIVE ${PREFIX} ${PREFIX}/*)
  foreach(file IN LISTS installed)
    if(file MATCHES "tst_|bench")
      message(FATAL_ERROR "test or benchmark file installed: ${file}")
    endif()
  endforeach()
endif()

# The command line runs as installed, needing nothing from the build.
if(NOT FOR_WINDOWS)
  execute_process(COMMAND ${PREFIX}/bin/sealmark-cli --version
                  RESULT_VARIABLE result OUTPUT_VARIABLE version)
  if(NOT result EQUAL 0 OR NOT version MATCHES "^sealmark-cli \\(Sealmark\\) [0-9]")
    message(FATAL_ERROR "installed sealmark-cli --version: ${result} ${version}")
  endif()
endif()
