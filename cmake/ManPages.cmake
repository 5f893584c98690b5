# ombrix_man_page(<program target> <page source> <install component>)
# A section 1 manual page written as one (resources/man), with the project's version filled in,
# compressed as Debian wants it (gzip -9n: no name, no time stamp, so the same bytes every build)
# and installed to share/man/man1. The install test keeps each page in step with its program's
# --help.
find_program(OMBRIX_GZIP gzip REQUIRED)

function(ombrix_man_page target source component)
  get_filename_component(name ${source} NAME)
  set(page ${CMAKE_BINARY_DIR}/man/${name})
  configure_file(${source} ${page} @ONLY)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${OMBRIX_GZIP} -9nfk ${page}
    DEPENDS ${page}
    COMMENT "Compressing the manual page ${name}"
    VERBATIM)
  add_custom_target(${target}_man_page ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endfunction()
