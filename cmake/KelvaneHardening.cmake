# Debian's hardening flags, as its packages are built with them: fortified
# library calls, stack protector, format checks, read-only relocations bound at
# start (bind-now). Taken from dpkg-buildflags, less its optimisation and debug
# flags, which stay the build type's. Fortifying needs an optimised build, and
# the sanitizers bring checks of their own.
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
set(hardening_default OFF)
if(DPKG_BUILDFLAGS AND NOT KELVANE_SANITIZE AND CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
  set(hardening_default ON)
endif()
option(KELVANE_HARDENING "Build with Debian's hardening flags (dpkg-buildflags)" ${hardening_default})

if(KELVANE_HARDENING)
  if(NOT DPKG_BUILDFLAGS)
    message(FATAL_ERROR "KELVANE_HARDENING needs dpkg-buildflags (package dpkg-dev)")
  endif()
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env
              "DEB_BUILD_MAINT_OPTIONS=hardening=+all reproducible=-fixfilepath,-fixdebugpath"
              "DEB_CXXFLAGS_MAINT_STRIP=-g -O2" "DEB_CPPFLAGS_MAINT_STRIP=" "DEB_LDFLAGS_MAINT_STRIP="
              ${DPKG_BUILDFLAGS} --get ${kind}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
      COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    if(kind STREQUAL "LDFLAGS")
      add_link_options(${flags})
    else()
      add_compile_options(${flags})
    endif()
    message(STATUS "Hardening ${kind}: ${flags}")
  endforeach()
endif()
