# Install rules, the generated user guide and man pages, and the Debian
# packages (cpack -G DEB in the build folder): pelorinxl (component cli)
# and pelorinxl-gui (component gui: everything that needs Qt).
#
# Layout under the prefix:
#   bin/pelorinxl                             the command line (no Qt)
#   lib/pelorinxl/pelorinxl-windows           the same program with the windows (pelorinxl-gui)
#   share/applications/pelorinxl.desktop, share/icons/hicolor/scalable/apps/pelorinxl.svg (pelorinxl-gui)
#   share/pelorinxl/help/PelorinXL/*.htm, img the HTML user guide (help --browser)
#   share/pelorinxl/help/text/*.txt           the same pages as text (help on a terminal)
#   share/doc/pelorinxl/                      README, docs/*.md, copyright
#   share/man/man1/pelorinxl*.1.gz            man pages from the CLI's --help
#   share/bash-completion/completions/pelorinxl
#   include/pelorinxl/                        public headers (plugins, embedding)
#   lib/<multiarch>/pelorinxl/libplrxl_*.a    the plrxl2 library
#   lib/<multiarch>/pkgconfig/pelorinxl-plugin.pc, plrxl2.pc
# The program finds its help beside itself (../share/pelorinxl/help), so the
# build tree mirrors that folder: build/share/pelorinxl/help.
include(GNUInstallDirs)
# One documents folder for program, package and messages, in lower case
# (GNUInstallDirs would name it after the project).
set(CMAKE_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/pelorinxl)
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME cli)

set(PLRXL_HELP_ROOT ${CMAKE_BINARY_DIR}/share/pelorinxl/help)
set(PLRXL_HELP_BUILD_DIR ${PLRXL_HELP_ROOT}/PelorinXL)

# --- HTML user guide, from docs/*.md with python3-markdown ---
find_program(PLRXL_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT PLRXL_PYTHON)
  find_program(PLRXL_PYTHON NAMES python3)
endif()
set(PLRXL_HAVE_HELP OFF)
if(PLRXL_PYTHON)
  execute_process(COMMAND ${PLRXL_PYTHON} -c "import markdown" RESULT_VARIABLE plrxl_markdown_missing
                  OUTPUT_QUIET ERROR_QUIET)
  if(plrxl_markdown_missing EQUAL 0)
    set(PLRXL_HAVE_HELP ON)
  endif()
endif()
if(PLRXL_HAVE_HELP)
  file(GLOB plrxl_docs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/*.md ${CMAKE_SOURCE_DIR}/docs/img/*)
  add_custom_command(
    OUTPUT ${PLRXL_HELP_BUILD_DIR}/Support.htm
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${PLRXL_HELP_BUILD_DIR} ${PLRXL_HELP_ROOT}/text
    COMMAND ${PLRXL_PYTHON} ${CMAKE_SOURCE_DIR}/tools/make_help.py ${CMAKE_SOURCE_DIR}/docs ${PLRXL_HELP_BUILD_DIR}
    DEPENDS ${plrxl_docs} ${CMAKE_SOURCE_DIR}/tools/make_help.py
    COMMENT "Writing the HTML user guide")
  add_custom_target(plrxl_help_html ALL DEPENDS ${PLRXL_HELP_BUILD_DIR}/Support.htm)
  install(DIRECTORY ${PLRXL_HELP_BUILD_DIR} ${PLRXL_HELP_ROOT}/text DESTINATION ${CMAKE_INSTALL_DATADIR}/pelorinxl/help)
else()
  message(STATUS "python3-markdown not found: the HTML user guide is not built (pelorinxl help says so)")
endif()

# --- man pages: help2man on the program's own --help, with the sections of tools/man ---
find_program(PLRXL_HELP2MAN help2man)
set(PLRXL_MAN_DIR ${CMAKE_BINARY_DIR}/man)
if(PLRXL_HELP2MAN AND TARGET pelorinxl)
  file(GLOB plrxl_app_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/app/*.cpp)
  add_custom_command(
    OUTPUT ${PLRXL_MAN_DIR}/pelorinxl.1.gz
    COMMAND bash ${CMAKE_SOURCE_DIR}/tools/make_man.sh $<TARGET_FILE:pelorinxl> ${PLRXL_MAN_DIR}
    DEPENDS pelorinxl ${CMAKE_SOURCE_DIR}/tools/make_man.sh ${CMAKE_SOURCE_DIR}/tools/man/sections.h2m
    COMMENT "Writing the man pages")
  add_custom_target(plrxl_man ALL DEPENDS ${PLRXL_MAN_DIR}/pelorinxl.1.gz)
  install(DIRECTORY ${PLRXL_MAN_DIR}/ DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 FILES_MATCHING PATTERN "*.1.gz")
else()
  message(STATUS "help2man not found: no man pages")
endif()

# --- program, completion, documents ---
if(TARGET pelorinxl)
  install(TARGETS pelorinxl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# Who answers for the package: the maintainer field, the change log and the
# copyright file all name this address; a distributor sets their own.
set(PLRXL_MAINTAINER "PelorinXL developers <developers@pelorinxl.org>"
    CACHE STRING "Name and mail address of the package maintainer")
string(REGEX REPLACE "^.*<(.*)>.*$" "\\1" PLRXL_MAINTAINER_MAIL "${PLRXL_MAINTAINER}")
configure_file(${CMAKE_SOURCE_DIR}/packaging/copyright.in ${CMAKE_BINARY_DIR}/packaging/copyright @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The change log the package tools expect beside the copyright file (a
# native package: changelog.gz).
set(plrxl_changelog ${CMAKE_BINARY_DIR}/packaging/changelog)
string(TIMESTAMP plrxl_build_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${plrxl_changelog}
     "pelorinxl (${PROJECT_VERSION}) unstable; urgency=medium\n\n  * Release ${PROJECT_VERSION}.\n\n"
     " -- ${PLRXL_MAINTAINER}  ${plrxl_build_date}\n")
add_custom_command(OUTPUT ${plrxl_changelog}.gz COMMAND gzip -9nkf ${plrxl_changelog} DEPENDS ${plrxl_changelog})
add_custom_target(plrxl_changelog ALL DEPENDS ${plrxl_changelog}.gz)
install(FILES ${plrxl_changelog}.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
if(TARGET pelorinxl-windows)
  install(TARGETS pelorinxl-windows RUNTIME DESTINATION lib/pelorinxl COMPONENT gui)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/pelorinxl.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
          COMPONENT gui)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/pelorinxl.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT gui)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/copyright ${plrxl_changelog}.gz
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/pelorinxl-gui COMPONENT gui)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/tools/completion/pelorinxl
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR} FILES_MATCHING PATTERN "*.md")

# --- the library: static archives, public headers, pkg-config files ---
set(PLRXL_LIBRARY_PARTS plrxl_download plrxl_macros plrxl_entry plrxl_forms plrxl_support plrxl_host_xlsx
    plrxl_host_memory plrxl_host_core)
set(plrxl_archives "")
set(plrxl_libs "")
foreach(part IN LISTS PLRXL_LIBRARY_PARTS)
  get_target_property(part_type ${part} TYPE)
  if(part_type STREQUAL "STATIC_LIBRARY")
    list(APPEND plrxl_archives ${part})
    string(APPEND plrxl_libs " -l${part}")
  endif()
endforeach()
install(TARGETS ${plrxl_archives} ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}/pelorinxl)
foreach(folder host support entry download macros forms)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/${folder} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/pelorinxl
          FILES_MATCHING PATTERN "*.h" PATTERN "qt" EXCLUDE)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/app/plugin_api.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/pelorinxl/app)
set(PLRXL_PC_LIBS "${plrxl_libs}")
configure_file(${CMAKE_SOURCE_DIR}/cmake/pelorinxl-plugin.pc.in ${CMAKE_BINARY_DIR}/pelorinxl-plugin.pc @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/cmake/plrxl2.pc.in ${CMAKE_BINARY_DIR}/plrxl2.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/pelorinxl-plugin.pc ${CMAKE_BINARY_DIR}/plrxl2.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The Calc remote mode's library (pelorinxl --calc loads it from here). Not
# in a Debian package yet: it would need a package of its own that depends on
# LibreOffice, since pelorinxl must not.
if(TARGET plrxl_calc_remote)
  install(TARGETS plrxl_calc_remote LIBRARY DESTINATION lib/pelorinxl COMPONENT calc)
endif()

# --- the Debian packages ---
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli)
if(TARGET pelorinxl-windows)
  list(APPEND CPACK_COMPONENTS_ALL gui)
endif()
set(CPACK_DEBIAN_CLI_PACKAGE_NAME pelorinxl)
set(CPACK_DEBIAN_GUI_PACKAGE_NAME pelorinxl-gui)
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS "pelorinxl (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_GUI_PACKAGE_SECTION x11)
set(CPACK_COMPONENT_GUI_DESCRIPTION "PelorinXL windows: the row editor, the selective update, the progress
window and the converter (pelorinxl edit, select, --gui), and the desktop
entry.")
set(CPACK_PACKAGE_NAME pelorinxl)
set(CPACK_PACKAGE_VENDOR "PelorinXL developers")
set(CPACK_PACKAGE_CONTACT "${PLRXL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "historical quotes, indicators and exports for spreadsheet projects")
set(CPACK_PACKAGE_DESCRIPTION
    "PelorinXL downloads historical price quotes for many tickers into a project
workbook (.xlsx), one sheet per ticker, and post-processes each ticker with
indicators, quote-file exports, a summary sheet and charts. The package holds
the pelorinxl program, its man pages, bash completion and user guide, and the
plrxl2 library with headers and pkg-config files for plugin authors. The
windows are in pelorinxl-gui.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Run-time libraries come from dpkg-shlibdeps; the desktop opener and the
# time-zone data are used at run time without being linked.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_CLI_PACKAGE_DEPENDS "tzdata")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
# Carlito has Calibri's metrics, which the column widths are fitted with:
# without it Calc draws the project's text wider than the columns.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libreoffice-calc, fonts-crosextra-carlito")
set(CPACK_DEBIAN_CLI_PACKAGE_SUGGESTS "pelorinxl-gui, libreoffice-calc, fonts-crosextra-carlito")
set(CPACK_COMPONENT_CLI_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
include(CPack)
