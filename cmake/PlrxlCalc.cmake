# The Calc host needs LibreOffice's C++ UNO SDK (Debian: libreoffice-dev):
# cppumaker, the UNO headers and libraries, and the office's type libraries.
# PLRXL_CALC defaults to ON when all of them are found.
set(PLRXL_OFFICE_DIR /usr/lib/libreoffice CACHE PATH "LibreOffice's installation folder")
find_program(PLRXL_CPPUMAKER cppumaker HINTS ${PLRXL_OFFICE_DIR}/sdk/bin NO_DEFAULT_PATH)
find_path(PLRXL_UNO_INCLUDE_DIR cppuhelper/bootstrap.hxx HINTS ${PLRXL_OFFICE_DIR}/sdk/include /usr/include/libreoffice)
find_library(PLRXL_UNO_CPPU uno_cppu HINTS ${PLRXL_OFFICE_DIR}/sdk/lib)
find_library(PLRXL_UNO_CPPUHELPER uno_cppuhelpergcc3 HINTS ${PLRXL_OFFICE_DIR}/sdk/lib)
find_library(PLRXL_UNO_SAL uno_sal HINTS ${PLRXL_OFFICE_DIR}/sdk/lib)
set(PLRXL_OFFICE_TYPES ${PLRXL_OFFICE_DIR}/program/types.rdb ${PLRXL_OFFICE_DIR}/program/types/offapi.rdb)

set(plrxl_calc_found ON)
foreach(need PLRXL_CPPUMAKER PLRXL_UNO_INCLUDE_DIR PLRXL_UNO_CPPU PLRXL_UNO_CPPUHELPER PLRXL_UNO_SAL)
  if(NOT ${need})
    set(plrxl_calc_found OFF)
  endif()
endforeach()
foreach(types ${PLRXL_OFFICE_TYPES})
  if(NOT EXISTS ${types})
    set(plrxl_calc_found OFF)
  endif()
endforeach()

option(PLRXL_CALC "Build the host over LibreOffice Calc (needs libreoffice-dev)" ${plrxl_calc_found})
if(PLRXL_CALC AND NOT plrxl_calc_found)
  message(FATAL_ERROR "PLRXL_CALC is ON but the LibreOffice SDK was not found under ${PLRXL_OFFICE_DIR} "
                      "(install libreoffice-dev, or configure with -DPLRXL_CALC=OFF)")
endif()
if(PLRXL_CALC)
  message(STATUS "Calc host: on (LibreOffice SDK in ${PLRXL_OFFICE_DIR})")
elseif(plrxl_calc_found)
  message(STATUS "Calc host: off (PLRXL_CALC=OFF)")
else()
  message(STATUS "Calc host: off (no LibreOffice SDK under ${PLRXL_OFFICE_DIR}; install libreoffice-dev to build it)")
endif()

