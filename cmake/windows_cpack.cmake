# The Windows packages of the install folder (cmake/windows_deploy.cmake):
#   ZIP  the folder to unpack anywhere and run from there, made with
#        `cpack` in the build folder
#   MSI  a 64-bit Windows Installer package into Program Files, with a
#        Start-menu entry and tarvikctl on the PATH, and its winget
#        manifest (cmake/windows_msi.cmake)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tarvik-configurator)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tarvik Configurator developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configuration tool for the Tarvik USB speakerphone")
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-win64)
# The programs are installed without their symbol tables (the build keeps
# them for debugging).
set(CPACK_STRIP_FILES ON)

# Before CPack, which leaves CPACK_PACKAGE_FILE_NAME the source package's.
include(${CMAKE_CURRENT_LIST_DIR}/windows_msi.cmake)
include(CPack)
