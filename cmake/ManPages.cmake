# ombrix_man_page(<program target> <summary> [<see also>])
# A section 1 manual page whose body is the program's own --help text: written when the program is
# built, so that the page and the program never disagree, and installed to share/man/man1.
set(OMBRIX_WRITE_MAN_PAGE ${CMAKE_CURRENT_LIST_DIR}/WriteManPage.cmake)

function(ombrix_man_page target summary)
  set(see_also "${ARGV2}")
  set(page ${CMAKE_BINARY_DIR}/man/${target}.1)
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}> -DNAME=${target}
            -DSUMMARY=${summary} -DVERSION=${PROJECT_VERSION} -DSEE_ALSO=${see_also}
            -DOUTPUT=${page} -P ${OMBRIX_WRITE_MAN_PAGE}
    DEPENDS ${target} ${OMBRIX_WRITE_MAN_PAGE}
    COMMENT "Writing the manual page ${target}.1"
    VERBATIM)
  add_custom_target(${target}_man_page ALL DEPENDS ${page})
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
