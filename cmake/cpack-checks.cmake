# Read by cpack before it makes a package. A Debian package made without dpkg-shlibdeps lacks the
# dependencies on the Qt and XLSX libraries and does not start where they are missing; CPack
# would only warn, so this stops it. scripts/deps.sh installs both tools.
if(CPACK_GENERATOR STREQUAL "DEB")
  foreach(tool dpkg-shlibdeps file)
    find_program(brisolt_${tool}_program ${tool})
    if(NOT brisolt_${tool}_program)
      message(FATAL_ERROR "${tool} is missing: a Debian package made without it would lack its "
                          "library dependencies. Install dpkg-dev and file (scripts/deps.sh build).")
    endif()
  endforeach()
endif()
