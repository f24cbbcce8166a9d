# What a program that links Qt needs beside it on Windows, copied into the build's bin/ (where
# every program lands): the Qt DLLs, the compiler's runtime DLLs they load, the platform plugins
# (platforms/: windows, offscreen for tests) and the native style (styles/); Qt looks for its
# plugins beside the program. windeployqt does not run in a cross build, hence the list.
# A sans-serif font goes in fonts/ (with its licence) for systems without their UI font (wine
# without its fonts): see ui/app/ShippedFont.h.
#   vendra_use_windows_qt_runtime(<target>): <target> links the runtime DLLs, not a static copy,
#   so that one C++ runtime runs in its process, and builds after the copy.
include_guard(GLOBAL)

set(vendra_bin ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
set(vendra_font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf)
set(vendra_font_licence /usr/share/doc/fonts-dejavu-core/copyright)
add_custom_target(vendra_qt_runtime
  COMMAND ${CMAKE_COMMAND} -E make_directory ${vendra_bin}/platforms ${vendra_bin}/styles
          ${vendra_bin}/fonts
  COMMAND ${CMAKE_COMMAND} -E copy_if_different
          $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
          $<TARGET_FILE:Qt6::PrintSupport> $<TARGET_FILE:Qt6::Test>
          ${VENDRA_QT_MINGW}/bin/libstdc++-6.dll ${VENDRA_QT_MINGW}/bin/libgcc_s_seh-1.dll
          ${VENDRA_QT_MINGW}/bin/libwinpthread-1.dll ${vendra_bin}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>
          $<TARGET_FILE:Qt6::QOffscreenIntegrationPlugin> ${vendra_bin}/platforms
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>
          ${vendra_bin}/styles
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${vendra_font} ${vendra_bin}/fonts
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${vendra_font_licence}
          ${vendra_bin}/fonts/DejaVuSans-LICENSE.txt
  VERBATIM)

function(vendra_use_windows_qt_runtime target)
  set_target_properties(${target} PROPERTIES VENDRA_QT_RUNTIME ON)
  add_dependencies(${target} vendra_qt_runtime)
endfunction()

# What the installer puts beside vendra.exe (packaging/windows): the same files, less the test
# module.
set_property(GLOBAL APPEND PROPERTY VENDRA_WINDOWS_RUNTIME_FILES
  $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
  $<TARGET_FILE:Qt6::PrintSupport> ${VENDRA_QT_MINGW}/bin/libstdc++-6.dll
  ${VENDRA_QT_MINGW}/bin/libgcc_s_seh-1.dll ${VENDRA_QT_MINGW}/bin/libwinpthread-1.dll)
set_property(GLOBAL APPEND PROPERTY VENDRA_WINDOWS_RUNTIME_DIRECTORIES
  ${vendra_bin}/platforms ${vendra_bin}/styles ${vendra_bin}/fonts)
