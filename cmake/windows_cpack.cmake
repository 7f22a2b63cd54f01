# The Windows packages of the install folder (cmake/windows_deploy.cmake):
#   NSIS  a 64-bit installer into Program Files, with Start-menu entries for
#         the configurator and the demo and an uninstaller
#   ZIP   the same folder to unpack anywhere and run from there
# Made with `cpack -G NSIS` or `cpack -G ZIP` in the build folder (makensis
# comes from Debian's nsis).

set(TARVIK_PRODUCT_NAME "Tarvik Configurator")

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME tarvik-configurator)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tarvik Configurator developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configuration tool for the Tarvik USB speakerphone")
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY ${TARVIK_PRODUCT_NAME})
# One key for every version, so that a newer installer finds and replaces the
# older install instead of adding a second entry to Installed apps.
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY ${TARVIK_PRODUCT_NAME})
# The programs are installed without their symbol tables (the build keeps
# them for debugging).
set(CPACK_STRIP_FILES ON)

set(CPACK_NSIS_PACKAGE_NAME ${TARVIK_PRODUCT_NAME})
set(CPACK_NSIS_DISPLAY_NAME ${TARVIK_PRODUCT_NAME})
# A 64-bit installer for 64-bit programs: Program Files rather than
# Program Files (x86), and the registry without the 32-bit redirection.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# Start-menu entries: the program in the install folder, then the entry's
# text. The uninstaller gets one of its own.
set(CPACK_NSIS_MENU_LINKS
  tarvik-configurator.exe "${TARVIK_PRODUCT_NAME}"
  tarvik-configurator-demo.exe "${TARVIK_PRODUCT_NAME} Demo")
# The finish page's "Run" starts the configurator from the folder's root.
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_MUI_FINISHPAGE_RUN tarvik-configurator.exe)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/src/resources/icon/tarvik.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/src/resources/icon/tarvik.ico)
# The icon Installed apps shows beside the entry.
set(CPACK_NSIS_INSTALLED_ICON_NAME tarvik-configurator.exe)
set(CPACK_NSIS_IGNORE_LICENSE_PAGE ON)
set(CPACK_NSIS_MODIFY_PATH OFF)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)

include(CPack)
