# Manual pages and the changelog are installed compressed, as Debian expects.
find_program(GZIP gzip REQUIRED)
function(firma_install_gzipped source destination)
    get_filename_component(name ${source} NAME)
    set(compressed ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
    add_custom_command(OUTPUT ${compressed}
                       COMMAND ${GZIP} -9n -c ${source} > ${compressed}
                       DEPENDS ${source} VERBATIM)
    add_custom_target(gzip_${name} ALL DEPENDS ${compressed})
    install(FILES ${compressed} DESTINATION ${destination})
endfunction()

# A manual page states the project's version: made from NAME.in, then installed.
function(firma_install_manual_page name)
    configure_file(${CMAKE_CURRENT_SOURCE_DIR}/${name}.in ${CMAKE_CURRENT_BINARY_DIR}/${name} @ONLY)
    firma_install_gzipped(${CMAKE_CURRENT_BINARY_DIR}/${name} ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
