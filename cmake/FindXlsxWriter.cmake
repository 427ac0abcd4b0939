# Finds libxlsxwriter and defines the imported target XlsxWriter::XlsxWriter,
# which brings the zlib it deflates with (for reading workbooks back, too).
#
# Linux: the system's library (Debian libxlsxwriter-dev), through pkg-config
# when it is there.
# Windows (MinGW-w64): the static build in KESTRUNE_XLSXWRITER_MINGW, by
# default the xlsxwriter-mingw folder in the shared folder beside this
# checkout, linked with zlib for MinGW-w64 (Debian libz-mingw-w64-dev), so
# the program needs no DLL of either.

if(WIN32)
  set(_xlsxwriter_default "")
  foreach(_candidate "${PROJECT_SOURCE_DIR}/../shared/xlsxwriter-mingw"
                     "${PROJECT_SOURCE_DIR}/../../shared/xlsxwriter-mingw")
    if(NOT _xlsxwriter_default AND EXISTS "${_candidate}/include/xlsxwriter.h")
      get_filename_component(_xlsxwriter_default "${_candidate}" ABSOLUTE)
    endif()
  endforeach()
  set(KESTRUNE_XLSXWRITER_MINGW "${_xlsxwriter_default}" CACHE PATH
      "libxlsxwriter built statically for MinGW-w64 (include/, lib/libxlsxwriter.a)")
  # The folder lies outside the cross-compiler's find roots: looked up as it is.
  find_path(XlsxWriter_INCLUDE_DIR xlsxwriter.h
            PATHS "${KESTRUNE_XLSXWRITER_MINGW}/include" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  find_library(XlsxWriter_LIBRARY NAMES libxlsxwriter.a
               PATHS "${KESTRUNE_XLSXWRITER_MINGW}/lib" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  find_library(XlsxWriter_ZLIB NAMES libz.a)
  set(_xlsxwriter_required XlsxWriter_LIBRARY XlsxWriter_INCLUDE_DIR XlsxWriter_ZLIB)
else()
  find_package(PkgConfig QUIET)
  if(PKG_CONFIG_FOUND)
    pkg_check_modules(PC_XlsxWriter QUIET xlsxwriter)
  endif()
  find_path(XlsxWriter_INCLUDE_DIR xlsxwriter.h HINTS ${PC_XlsxWriter_INCLUDE_DIRS})
  find_library(XlsxWriter_LIBRARY NAMES xlsxwriter HINTS ${PC_XlsxWriter_LIBRARY_DIRS})
  find_package(ZLIB QUIET)
  set(_xlsxwriter_required XlsxWriter_LIBRARY XlsxWriter_INCLUDE_DIR ZLIB_FOUND)
endif()

if(XlsxWriter_INCLUDE_DIR AND EXISTS "${XlsxWriter_INCLUDE_DIR}/xlsxwriter.h")
  file(STRINGS "${XlsxWriter_INCLUDE_DIR}/xlsxwriter.h" _xlsxwriter_version_line
       REGEX "^#define LXW_VERSION \"[^\"]+\"")
  string(REGEX REPLACE ".*\"([^\"]+)\".*" "\\1" XlsxWriter_VERSION "${_xlsxwriter_version_line}")
endif()

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(XlsxWriter
  REQUIRED_VARS ${_xlsxwriter_required}
  VERSION_VAR XlsxWriter_VERSION)

if(XlsxWriter_FOUND AND NOT TARGET XlsxWriter::XlsxWriter)
  add_library(XlsxWriter::XlsxWriter UNKNOWN IMPORTED)
  set_target_properties(XlsxWriter::XlsxWriter PROPERTIES
    IMPORTED_LOCATION "${XlsxWriter_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${XlsxWriter_INCLUDE_DIR}")
  if(WIN32)
    set_property(TARGET XlsxWriter::XlsxWriter PROPERTY INTERFACE_LINK_LIBRARIES "${XlsxWriter_ZLIB}")
  else()
    set_property(TARGET XlsxWriter::XlsxWriter PROPERTY INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)
  endif()
endif()
mark_as_advanced(XlsxWriter_INCLUDE_DIR XlsxWriter_LIBRARY XlsxWriter_ZLIB)
