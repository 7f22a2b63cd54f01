# The Qt DLLs and plugins beside the build's programs (in <build>/bin), so
# that the programs and tests run from the build tree under Wine as they
# would from an installed folder.

# What a Qt Widgets program of ours loads at run time: the Qt DLLs, the MinGW
# runtime those DLLs were built against, the Windows platform plugin and the
# Vista style. The programs themselves link the runtime statically.
set(TARVIK_QT_RUNTIME_DLLS
  ${TARVIK_QT_MINGW_PREFIX}/bin/Qt6Core.dll
  ${TARVIK_QT_MINGW_PREFIX}/bin/Qt6Gui.dll
  ${TARVIK_QT_MINGW_PREFIX}/bin/Qt6Widgets.dll
  ${TARVIK_QT_MINGW_PREFIX}/bin/libstdc++-6.dll
  ${TARVIK_QT_MINGW_PREFIX}/bin/libgcc_s_seh-1.dll
  ${TARVIK_QT_MINGW_PREFIX}/bin/libwinpthread-1.dll
)
set(TARVIK_QT_PLATFORM_PLUGIN ${TARVIK_QT_MINGW_PREFIX}/plugins/platforms/qwindows.dll)
set(TARVIK_QT_STYLE_PLUGIN ${TARVIK_QT_MINGW_PREFIX}/plugins/styles/qwindowsvistastyle.dll)

# The toolkit's own translations for the program's languages, which the
# program loads from translations/ beside it. The .qm files hold no code, so
# the host system's copies of the same toolkit version serve.
set(TARVIK_QT_TRANSLATIONS "")
foreach(locale ja zh_CN)
  find_file(TARVIK_QT_TRANSLATION_${locale} qtbase_${locale}.qm
    PATHS /usr/share/qt6/translations ${TARVIK_QT_MINGW_PREFIX}/translations
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT TARVIK_QT_TRANSLATION_${locale})
    message(FATAL_ERROR "qtbase_${locale}.qm not found (Debian package qt6-translations-l10n)")
  endif()
  list(APPEND TARVIK_QT_TRANSLATIONS ${TARVIK_QT_TRANSLATION_${locale}})
endforeach()
file(COPY ${TARVIK_QT_TRANSLATIONS} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/translations)

# The build tree also holds what only the tests load: QtTest and the minimal
# platform, for runs without a display.
file(COPY ${TARVIK_QT_RUNTIME_DLLS} ${TARVIK_QT_MINGW_PREFIX}/bin/Qt6Test.dll
  DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
file(COPY ${TARVIK_QT_PLATFORM_PLUGIN} ${TARVIK_QT_MINGW_PREFIX}/plugins/platforms/qminimal.dll
  DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/platforms)
file(COPY ${TARVIK_QT_STYLE_PLUGIN} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/styles)
