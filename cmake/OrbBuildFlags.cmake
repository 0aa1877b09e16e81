# Debian's build flags for every target (dpkg-buildflags with hardening=+all):
# stack protector, fortified functions, format checks, full RELRO and immediate
# binding, as the package's binaries must have them. The build folder and the
# source folder are mapped to "." in what the compiler writes, so no path of
# the build machine ends up in a program. Off for the sanitizer build.
find_program(ORB_DPKG_BUILDFLAGS dpkg-buildflags)
set(_orb_flags_default OFF)
if(ORB_DPKG_BUILDFLAGS AND NOT ORB_SANITIZE)
  set(_orb_flags_default ON)
endif()
option(ORB_DEBIAN_FLAGS "Build with Debian's hardening flags (dpkg-buildflags)" ${_orb_flags_default})

function(orb_debian_flags var)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                          ${ORB_DPKG_BUILDFLAGS} --get ${var}
                  OUTPUT_VARIABLE out OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "dpkg-buildflags --get ${var} failed")
  endif()
  separate_arguments(out UNIX_COMMAND "${out}")
  # The optimisation and debug levels stay the build type's; the prefix map is ours.
  list(FILTER out EXCLUDE REGEX "^-g$|^-O[0-9s]?$|^-ffile-prefix-map=")
  set(${var} ${out} PARENT_SCOPE)
endfunction()

if(ORB_DEBIAN_FLAGS)
  orb_debian_flags(CPPFLAGS)
  orb_debian_flags(CXXFLAGS)
  orb_debian_flags(LDFLAGS)
  target_compile_options(orb_options INTERFACE ${CPPFLAGS} ${CXXFLAGS})
  target_link_options(orb_options INTERFACE ${LDFLAGS})
endif()
target_compile_options(orb_options INTERFACE -ffile-prefix-map=${CMAKE_BINARY_DIR}=.
                                             -ffile-prefix-map=${CMAKE_SOURCE_DIR}=.)
