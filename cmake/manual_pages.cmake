# Manual pages and the changelog are installed compressed, as Debian expects.
find_program(GZIP gzip REQUIRED)
function(firma_install_gzipped source destination)
    get_filename_component(name ${source} NAME)
    string(MAKE_C_IDENTIFIER "${destination}/${name}" id)
    set(compressed ${CMAKE_CURRENT_BINARY_DIR}/gzipped/${id}.gz)
    # Ninja makes an output's folder itself; Makefiles do not.
    add_custom_command(OUTPUT ${compressed}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/gzipped
                       COMMAND ${GZIP} -9n -c ${source} > ${compressed}
                       DEPENDS ${source} VERBATIM)
    add_custom_target(gzip_${id} ALL DEPENDS ${compressed})
    install(FILES ${compressed} DESTINATION ${destination} RENAME ${name}.gz)
endfunction()

# Every page comes in English and in Spanish (under es/), with the locale each
# is made in.
set(FIRMA_MANUAL_LANGUAGES en es)
set(FIRMA_MANUAL_FOLDER_en man1)
set(FIRMA_MANUAL_FOLDER_es es/man1)
set(FIRMA_MANUAL_LOCALE_en C.UTF-8)
set(FIRMA_MANUAL_LOCALE_es es_ES.UTF-8)

# A written page states the project's version: NAME.in for English and
# NAME.es.in for Spanish, then installed.
function(firma_install_manual_page name)
    foreach(language IN LISTS FIRMA_MANUAL_LANGUAGES)
        set(source ${name}.in)
        if(NOT language STREQUAL "en")
            set(source ${name}.${language}.in)
        endif()
        set(page ${CMAKE_CURRENT_BINARY_DIR}/manual/${language}/${name})
        configure_file(${CMAKE_CURRENT_SOURCE_DIR}/${source} ${page} @ONLY)
        firma_install_gzipped(${page} ${CMAKE_INSTALL_MANDIR}/${FIRMA_MANUAL_FOLDER_${language}})
    endforeach()
endfunction()

# A program with a --help gets its pages from help2man, which reads the help in
# each language: page, help and option table cannot drift apart. TARGET.h2m
# (and TARGET.es.h2m) hold what the help leaves out. help2man names the page
# after the program it runs, so it runs one named TARGET that asks the real one.
function(firma_manual_from_help target)
    find_program(FIRMA_HELP2MAN help2man REQUIRED DOC "GNU help2man, which makes the manual pages")
    set(asker ${CMAKE_CURRENT_BINARY_DIR}/manual/${target})
    file(GENERATE OUTPUT ${asker}
         CONTENT "#!/bin/sh\nexec '${PROJECT_SOURCE_DIR}/scripts/help-for-manual' '$<TARGET_FILE:${target}>' \"$@\"\n"
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(pages "")
    foreach(language IN LISTS FIRMA_MANUAL_LANGUAGES)
        set(include ${CMAKE_CURRENT_SOURCE_DIR}/${target}.h2m)
        if(NOT language STREQUAL "en")
            set(include ${CMAKE_CURRENT_SOURCE_DIR}/${target}.${language}.h2m)
        endif()
        set(page ${CMAKE_CURRENT_BINARY_DIR}/manual/${language}/${target}.1)
        # LANGUAGE would outrank the locale help2man sets for the program.
        add_custom_command(OUTPUT ${page}
                           COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/manual/${language}
                           COMMAND ${CMAKE_COMMAND} -E env --unset=LANGUAGE
                                   ${FIRMA_HELP2MAN} --locale=${FIRMA_MANUAL_LOCALE_${language}} --no-info
                                   --include=${include} --output=${page} ${asker}
                           DEPENDS ${target} firma_catalogues ${include} ${PROJECT_SOURCE_DIR}/po/es.po
                                   ${PROJECT_SOURCE_DIR}/scripts/help-for-manual
                           COMMENT "Making the ${language} manual page of ${target}"
                           VERBATIM)
        firma_install_gzipped(${page} ${CMAKE_INSTALL_MANDIR}/${FIRMA_MANUAL_FOLDER_${language}})
    endforeach()
endfunction()
